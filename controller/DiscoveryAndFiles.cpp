#include "controller/DiscoveryAndFiles.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTcpSocket>
#include <QTreeWidget>

#include "common/Protocol.h"
#include "common/Text.h"
#include "controller/ControlClient.h"
#include "controller/FileListClient.h"
#include "controller/FileWindowLists.h"
#include "controller/HostScanner.h"
#include "controller/TForm1.h"
#include "controller/TFormFile.h"
#include "controller/TFormSet.h"
#include "controller/UploadClient.h"

namespace pad {

namespace wire = kv::wire;

void ControlClientChannel::sendLine(const QByteArray &line) { client_->sendLine(line); }
bool ControlClientChannel::isOpen() const { return client_->isConnected(); }
QString ControlClientChannel::peerAddress() const { return client_->hostName(); }
quint16 ControlClientChannel::peerPort() const { return client_->port(); }
QString ControlClientChannel::localAddress() const { return client_->socket()->localAddress().toString(); }

DiscoveryAndFiles::DiscoveryAndFiles(TForm1 *form1)
    : QObject(nullptr), form1_(form1), channel_(form1->client()), transport_(new UdpScanTransport) {
    TFormFile *ff = form1->formFile();
    TFormSet *fs = form1->formSet();
    ControlClient *client = form1->client();

    lists_ = std::make_unique<FileWindowLists>(FileWindowLists::Fields{
        ff->remoteListsArea, ff->localBrowserArea, ff->LabelLocal, ff->EditRFile, ff->MaskEditFile, ff->EditRip});
    list_ = std::make_unique<FileListClient>(&channel_);
    upload_ = std::make_unique<UploadClient>(&channel_, qtOneShotFactory());

    HostScanner::Hooks hooks;
    hooks.localAddress = [form1] { return form1->state().localAddress; };
    hooks.prefixList = [fs] { return fs->scanLines(); };
    // As a line of the list: a final line end in the memo must not leave a blank line before it.
    hooks.appendPrefix = [fs](const QString &p) { fs->setScanLines(fs->scanLines() << p); };
    hooks.controlPortText = [fs] { return fs->EditControlPort->text(); };
    hooks.autoConnectEnabled = [fs] { return fs->CheckBoxAutoConnect->isChecked(); };
    // A session that is up, being set up, or dropped but not yet reset.
    hooks.isConnected = [form1, client] {
        return client->isConnected() || client->isConnecting() ||
               kv::trimmed(form1->SButtonConnect->text()) == QStringLiteral("断开");
    };
    scanner_ = std::make_unique<HostScanner>(transport_.get(), hooks, qtOneShotFactory());

    // Scan: both buttons and the start-up auto scan come through onScan.
    form1->onScan = [this] { scanner_->click(); };
    connect(scanner_.get(), &HostScanner::statusText, form1, &TForm1::setStatus);
    connect(scanner_.get(), &HostScanner::captionChanged, this, &DiscoveryAndFiles::setScanCaption);
    connect(scanner_.get(), &HostScanner::showFileWindow, form1, [form1] {
        if (!form1->formFile()->isVisible()) form1->SpeedButtonFileClick();
    });
    connect(scanner_.get(), &HostScanner::hostsCleared, lists_.get(), &FileWindowLists::clearHosts);
    connect(scanner_.get(), &HostScanner::hostListed, lists_.get(), &FileWindowLists::addHostRow);
    connect(scanner_.get(), &HostScanner::logLine, form1, &TForm1::log);
    connect(scanner_.get(), &HostScanner::datagramLogged, ff, &TFormFile::log);
    connect(scanner_.get(), &HostScanner::autoConnectAddress, ff, [ff](const QString &a) { ff->EditRip->setText(a); });
    connect(scanner_.get(), &HostScanner::autoConnectRequested, form1, [form1] { form1->SButtonConnectClick(); });
    // Any connection attempt ends the prefix being scanned, as it starts.
    form1->onConnectAttempt = [this] { scanner_->endCurrentPrefix(); };
    connect(lists_.get(), &FileWindowLists::hostActivated, form1, [form1] { form1->SButtonConnectClick(); });
    // The open command itself: a refused login disables the button, not the lists.
    connect(lists_.get(), &FileWindowLists::openRequested, ff, [ff] { ff->SpeedButtonOpenClick(); });
    // The lists live in the file window, so these stay valid as long as it does.
    ff->focusHostList = [w = lists_->ListViewHost] { w->setFocus(Qt::OtherFocusReason); };
    ff->focusLocalFileList = [w = lists_->FileListBox1] { w->setFocus(Qt::OtherFocusReason); };

    // File list and upload.
    connect(ff->SpeedButtonRefresh, &QPushButton::clicked, this, &DiscoveryAndFiles::SpeedButtonRefreshClick);
    connect(ff->SpeedButtonUp, &QPushButton::clicked, this, &DiscoveryAndFiles::SpeedButtonUpClick);
    // A lone "s_qitaup": the host gives the upload slot to someone else.
    // The lone "s_busylist" ends a listing.
    connect(client, &ControlClient::unterminatedReply, this, [this](const QByteArray &word) {
        list_->handleUnterminated(word);
        upload_->handleUnterminated(word);
    });
    connect(client, &ControlClient::reply, this, [this](ControlClient::Reply kind) {
        if (kind == ControlClient::Reply::BusyList) list_->endListing();
    });
    connect(client, &ControlClient::unhandledReply, this, [this](const QByteArray &line) {
        if (!list_->handleLine(line)) upload_->handleLine(line);
    });
    connect(client, &ControlClient::loggedIn, this, &DiscoveryAndFiles::onLoggedIn);
    // However the control connection ends (the host, the user, the idle cut-off),
    // an upload on it ends too and lets go of its file.
    connect(client->socket(), &QAbstractSocket::stateChanged, this, [this](QAbstractSocket::SocketState s) {
        if (s == QAbstractSocket::UnconnectedState) upload_->abort();
    });
    connect(list_.get(), &FileListClient::cleared, lists_.get(), &FileWindowLists::clearRemote);
    connect(list_.get(), &FileListClient::nameAdded, lists_.get(), &FileWindowLists::addRemote);
    connect(list_.get(), &FileListClient::statusText, form1, &TForm1::setStatus);
    connect(upload_.get(), &UploadClient::statusText, ff, &TFormFile::setStatus);
    connect(upload_.get(), &UploadClient::messageBox, this,
            [form1](const QString &t) { form1->services().dialogs->message(t); });
    connect(upload_.get(), &UploadClient::started, this, [this, form1] {
        form1->state().clientState = PadState::Uploading;
        scanner_->endCurrentPrefix();
    });
    connect(upload_.get(), &UploadClient::progressVisible, lists_.get(), &FileWindowLists::showProgress);
    connect(upload_.get(), &UploadClient::progressChanged, lists_.get(), &FileWindowLists::setProgress);
    connect(upload_.get(), &UploadClient::listRefreshWanted, this, &DiscoveryAndFiles::refreshWhileLive);
    // A long upload is no idle session.
    connect(upload_.get(), &UploadClient::activity, client, &ControlClient::touch);
}

DiscoveryAndFiles::~DiscoveryAndFiles() = default;

void DiscoveryAndFiles::setScanCaption(const QString &caption) {
    bool stop = caption == QStringLiteral("停止");
    // The shared state word: 20 while scanning, 0 once the scan is over
    // (unless a connect or an upload has taken it meanwhile).
    int &state = form1_->state().clientState;
    if (stop) state = PadState::Scanning;
    else if (state == PadState::Scanning) state = PadState::Idle;
    form1_->SpeedButtonScan->setText(stop ? caption : QStringLiteral(" 扫描"));
    form1_->formFile()->SpeedButtonScan->setText(stop ? caption : QStringLiteral(" 扫描 "));
}

bool DiscoveryAndFiles::saidOffline() {
    if (form1_->client()->isLoggedIn()) return false;
    form1_->formFile()->setStatus(QStringLiteral("尚未联网"));
    return true;
}

void DiscoveryAndFiles::SpeedButtonRefreshClick() {
    if (!saidOffline()) list_->refresh();
}

void DiscoveryAndFiles::refreshWhileLive() {
    if (form1_->client()->isLoggedIn()) list_->refresh();
}

void DiscoveryAndFiles::SpeedButtonUpClick() {
    form1_->client()->touch();
    // Only a logged-in connection takes an upload; the local names stay as they were.
    if (saidOffline()) return;
    form1_->state().localFilePath = kv::trimmed(form1_->formFile()->MaskEditFile->text());
    if (upload_->start(form1_->state().localFilePath))
        form1_->state().localFileName = upload_->localFileName();
}

void DiscoveryAndFiles::onLoggedIn() {
    // The host that accepted the login is listed, then its files are pulled.
    scanner_->addHost(form1_->formFile()->EditRip->text());
    refreshWhileLive();
}

}  // namespace pad
