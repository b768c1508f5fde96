#include "host/app/HostPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSystemTrayIcon>

namespace host {

namespace {

class NetworkPageLoader : public PageLoader {
public:
    ~NetworkPageLoader() override { abort(); }

    void load(const QUrl &url, int timeoutMs, qint64 maxBytes) override {
        abort();
        page_ = Page{};
        body_.clear();
        complete_ = false;
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != "http" && scheme != "https") || url.host().isEmpty()) {
            finishWith(QStringLiteral("not an http address"));
            return;
        }
        QNetworkRequest req(url);
        req.setTransferTimeout(timeoutMs);
        req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
        req.setMaximumRedirectsAllowed(5);
        reply_ = nam_.get(req);
        QNetworkReply *r = reply_;
        QObject::connect(r, &QNetworkReply::readyRead, r, [this, r, maxBytes] {
            if (r != reply_) return;
            body_ += r->readAll();
            if (body_.size() > maxBytes) {
                // Past the cap: drop the page rather than hold an unbounded body.
                reply_ = nullptr;
                r->abort();
                r->deleteLater();
                body_.clear();
                finishWith(QStringLiteral("page too large"));
            }
        });
        QObject::connect(r, &QNetworkReply::finished, r, [this, r, maxBytes] {
            if (r != reply_) return;
            reply_ = nullptr;
            body_ += r->readAll();
            if (r->error() != QNetworkReply::NoError) {
                finishWith(r->errorString());
            } else if (body_.size() > maxBytes) {
                finishWith(QStringLiteral("page too large"));
            } else {
                page_.ok = true;
                page_.body = body_;
                page_.contentType = r->rawHeader("Content-Type");
                complete_ = true;
            }
            r->deleteLater();
        });
    }
    bool complete() const override { return complete_; }
    Page page() const override { return page_; }
    void abort() override {
        if (QNetworkReply *r = reply_) {
            reply_ = nullptr;
            r->abort();
            r->deleteLater();
        }
    }

private:
    void finishWith(const QString &error) {
        page_.ok = false;
        page_.error = error;
        complete_ = true;
    }
    QNetworkAccessManager nam_;
    QPointer<QNetworkReply> reply_;
    QByteArray body_;
    Page page_;
    bool complete_ = false;
};

// A plain "K" badge for desktops whose icon theme has nothing to offer.
QIcon fallbackIcon() {
    QPixmap pm(32, 32);
    pm.fill(QColor(0x1f, 0x5f, 0xbf));
    QPainter p(&pm);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(24);
    p.setFont(f);
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("K"));
    return QIcon(pm);
}

class SystemTray : public Tray {
public:
    bool available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void add(const QString &tip, QMenu *menu) override {
        if (!icon_) {
            icon_ = new QSystemTrayIcon(QCoreApplication::instance());
            QObject::connect(icon_, &QSystemTrayIcon::activated, icon_,
                             [this](QSystemTrayIcon::ActivationReason why) {
                                 if (why == QSystemTrayIcon::Trigger && onActivated) onActivated();
                             });
        }
        QIcon ic = QApplication::windowIcon();
        if (ic.isNull()) ic = QIcon::fromTheme(QStringLiteral("video-display"));
        if (ic.isNull()) ic = fallbackIcon();
        icon_->setIcon(ic);
        icon_->setToolTip(tip);
        icon_->setContextMenu(menu);
        icon_->show();
    }
    void remove() override {
        if (icon_) icon_->hide();
    }
    bool shown() const override { return icon_ && icon_->isVisible(); }

private:
    QPointer<QSystemTrayIcon> icon_;
};

class MessageChoiceBox : public ChoiceBox {
public:
    Answer ask(const QString &text, const QString &caption) override {
        auto b = QMessageBox::question(QApplication::activeWindow(), caption, text,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                       QMessageBox::Yes);
        if (b == QMessageBox::Yes) return Yes;
        if (b == QMessageBox::No) return No;
        return Cancel;
    }
};

}  // namespace

std::shared_ptr<PageLoader> makeNetworkPageLoader() { return std::make_shared<NetworkPageLoader>(); }
std::shared_ptr<Tray> makeSystemTray() { return std::make_shared<SystemTray>(); }
std::shared_ptr<ChoiceBox> makeMessageChoiceBox() { return std::make_shared<MessageChoiceBox>(); }

HostEnv HostEnv::completed() const {
    HostEnv e = *this;
    if (e.programDir.isEmpty()) e.programDir = QCoreApplication::applicationDirPath();
    if (e.programFile.isEmpty())
        e.programFile = QDir(e.programDir).filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    if (!e.desktop) e.desktop = std::make_shared<platform::XdgDesktop>();
    if (!e.pages) e.pages = makeNetworkPageLoader();
    if (!e.tray) e.tray = makeSystemTray();
    if (!e.choice) e.choice = makeMessageChoiceBox();
    if (!e.displayPanel) e.displayPanel = platform::makeDisplayPanel();
    if (!e.mail) e.mail = platform::makeCurlMailSender();
    e.timer = timer.completed();
    if (!e.exitProgram) e.exitProgram = [] { QCoreApplication::exit(0); };
    return e;
}

}  // namespace host
