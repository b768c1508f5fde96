#include "platform/QtServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QNetworkInterface>
#include <QProcess>
#include <QScreen>
#include <QUrl>

#include <chrono>
#include <thread>

#include "common/Text.h"

namespace platform {

QRect QtScreens::primary() {
    QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

QRect QtScreens::virtualDesktop() {
    QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->virtualGeometry() : QRect(0, 0, 1024, 768);
}

bool QtShell::openDocument(const QString &pathOrUrl) {
    QUrl url(pathOrUrl);
    if (url.scheme().isEmpty() || QFileInfo(pathOrUrl).isAbsolute())
        url = QUrl::fromLocalFile(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

bool QtShell::startProgram(const QString &path, const QStringList &args) {
    QFileInfo fi(path);
    if (!fi.isFile() || !fi.isExecutable()) return false;
    return QProcess::startDetached(fi.absoluteFilePath(), args, fi.absolutePath());
}

std::uint32_t SystemClock::tick() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

void SystemClock::sleep(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SystemClock::processMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

QString SystemClock::timeOfDay() { return kv::timeOfDayText(QTime::currentTime()); }

QString SystemClock::shortDate() { return kv::shortDateText(QDate::currentDate()); }

QString InterfaceAddress::localIPv4() {
    // A forced address (KV_LOCAL_IPV4) keeps a test of both programs on loopback.
    const QString forced = kv::normalizedIPv4(qEnvironmentVariable("KV_LOCAL_IPV4"));
    if (!forced.isEmpty()) return forced;
    // Never the host-name lookup: on Debian it gives 127.0.1.1.
    for (const QNetworkInterface &nif : QNetworkInterface::allInterfaces()) {
        auto flags = nif.flags();
        if (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack)) continue;
        for (const QNetworkAddressEntry &e : nif.addressEntries()) {
            QHostAddress a = e.ip();
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
                return a.toString();
        }
    }
    return {};
}

QString QtDialogs::boxCaption(const QString &caption) const {
    if (!caption.isEmpty()) return caption;
    return caption_.isEmpty() ? QApplication::applicationDisplayName() : caption_;
}

void QtDialogs::message(const QString &text, const QString &caption) {
    QMessageBox::information(QApplication::activeWindow(), boxCaption(caption), text);
}

bool QtDialogs::ask(const QString &text, const QString &caption) {
    return QMessageBox::question(QApplication::activeWindow(), boxCaption(caption), text) ==
           QMessageBox::Yes;
}

QString QtDialogs::openFile(const QString &filter, const QString &initial) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), initial, filter);
}

QString QtDialogs::saveFile(const QString &filter, const QString &initial) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), initial, filter);
}

QString QtDialogs::chooseFolder(const QString &initial) {
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), QString(), initial);
}

}  // namespace platform
