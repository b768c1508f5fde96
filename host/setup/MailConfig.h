#pragma once
// Where mail goes: the SMTP server and mailboxes, read from section "mail" of
// show.ini when present (never written there), else the built-in defaults.
// No password is built in.
#include <QString>

namespace host {

struct MailConfig {
    inline static const QString kDefaultSmtp = QStringLiteral("smtp.korvelo.example");
    inline static const QString kDefaultPort = QStringLiteral("25");
    inline static const QString kDefaultUser = QStringLiteral("noreply@korvelo.example");
    inline static const QString kDefaultDeveloper = QStringLiteral("support@korvelo.example");

    QString smtp = kDefaultSmtp;
    QString port = kDefaultPort;
    QString user = kDefaultUser;
    QString pass;
    QString email = kDefaultUser;  // Reply-To: the sender mailbox unless set
    QString developer = kDefaultDeveloper;

    static MailConfig read(const QString &iniPath);
};

// An address fit for the envelope and the headers: one "@" after a non-empty
// local part, a "." inside the domain with text on both sides, and no blank,
// control character, "<", ">" or ",".
bool isMailAddress(const QString &address);

}  // namespace host
