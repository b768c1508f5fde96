#include "host/setup/MailConfig.h"

#include "common/IniFile.h"

namespace host {

MailConfig MailConfig::read(const QString &iniPath) {
    const kv::IniFile ini(iniPath);
    const QString section = QStringLiteral("mail");
    MailConfig c;
    c.smtp = ini.readString(section, "Smtp", c.smtp);
    c.port = ini.readString(section, "Port", c.port);
    c.user = ini.readString(section, "User", c.user);
    c.pass = ini.readString(section, "Pass", c.pass);
    c.email = ini.readString(section, "Email", c.user);
    c.developer = ini.readString(section, "Developer", c.developer);
    return c;
}

bool isMailAddress(const QString &address) {
    if (address.count('@') != 1) return false;
    for (QChar c : address)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f || c == '<' || c == '>' || c == ',') return false;
    const qsizetype at = address.indexOf('@');
    if (at == 0) return false;
    const QString domain = address.mid(at + 1);
    const qsizetype dot = domain.indexOf('.', 1);
    return dot > 0 && dot < domain.size() - 1;
}

}  // namespace host
