#pragma once
// Puts the scan, the file lists and the upload into the controller's windows:
// the scan buttons and the start-up auto scan drive the HostScanner, the
// file window gets its lists and progress bar, and the control connection's
// list and upload replies reach the FileListClient and the UploadClient.
#include <QObject>

#include <memory>

#include "controller/ControlLineChannel.h"

namespace pad {

class ControlClient;
class FileListClient;
class FileWindowLists;
class HostScanner;
class TForm1;
class UdpScanTransport;
class UploadClient;

// The program's control connection as the list and upload clients see it.
class ControlClientChannel : public ControlLineChannel {
public:
    explicit ControlClientChannel(ControlClient *client) : client_(client) {}
    void sendLine(const QByteArray &line) override;
    bool isOpen() const override;
    QString peerAddress() const override;
    quint16 peerPort() const override;
    QString localAddress() const override;

private:
    ControlClient *client_;
};

class DiscoveryAndFiles : public QObject {
    Q_OBJECT
public:
    explicit DiscoveryAndFiles(TForm1 *form1);
    ~DiscoveryAndFiles() override;

    HostScanner &scanner() { return *scanner_; }
    FileListClient &fileList() { return *list_; }
    UploadClient &upload() { return *upload_; }
    FileWindowLists &lists() { return *lists_; }
    UdpScanTransport &transport() { return *transport_; }

    // The file window's buttons.
    void SpeedButtonRefreshClick();
    void SpeedButtonUpClick();

private:
    void onLoggedIn();
    // The list refresh, only while the refresh button is live (as for a click on it).
    void refreshWhileLive();
    // Not logged in: says so in the file window.
    bool saidOffline();
    void setScanCaption(const QString &caption);

    TForm1 *form1_;
    ControlClientChannel channel_;
    std::unique_ptr<UdpScanTransport> transport_;
    std::unique_ptr<HostScanner> scanner_;
    std::unique_ptr<FileListClient> list_;
    std::unique_ptr<UploadClient> upload_;
    std::unique_ptr<FileWindowLists> lists_;
};

}  // namespace pad
