#pragma once
// A host that follows the listing and upload sequence on 127.0.0.1 (control
// port P, data port P+1, both picked free at run time) and records what the
// controller sent and in which order.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "common/LineSplitter.h"

class ScriptedUploadHost : public QObject {
public:
    enum class NextMode { Normal, Split, DoubleFirst };

    NextMode nextMode = NextMode::Normal;
    QList<QByteArray> files;      // names served by "c_list"
    QList<QByteArray> received;   // control lines, in order
    QStringList events;           // "line X", "ack N", "data open", "data closed"
    QList<qint64> eventTimes;     // ms since listen(), one per event
    QByteArray data;              // bytes from the data connection
    qint64 announced = -1;        // size from "c_len"
    qint64 dataAtOver = -1;       // bytes received when "c_over" arrived
    qint64 maxUnacked = 0;        // most bytes ever in flight
    int acks = 0;
    int closeDataAfterAcks = -1;  // drop the data connection after this many acks
    bool refuseUpload = false;    // answer "c_up" with the lone "s_qitaup"
    bool answerLen = true;        // answer "c_len" with "s_file"
    int holdAcksAfter = -1;       // stop acknowledging after this many acks

    void note(const QString &e) {
        events << e;
        eventTimes << clock_.elapsed();
    }
    qint64 timeOf(const QString &e) const {
        qsizetype i = events.indexOf(e);
        return i < 0 ? -1 : eventTimes.at(i);
    }

    bool listen() {
        clock_.start();
        for (int i = 0; i < 50; ++i) {
            if (!control_.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0)) continue;
            quint16 p = control_.serverPort();
            if (p < 65535 && data_.listen(QHostAddress(QStringLiteral("127.0.0.1")), quint16(p + 1))) {
                connect(&control_, &QTcpServer::newConnection, this, &ScriptedUploadHost::acceptControl);
                connect(&data_, &QTcpServer::newConnection, this, &ScriptedUploadHost::acceptData);
                return true;
            }
            control_.close();
        }
        return false;
    }
    quint16 port() const { return control_.serverPort(); }
    bool hasControl() const { return !ctl_.isNull(); }
    void closeDataPort() { data_.close(); }
    void dropControl() { ctl_->disconnectFromHost(); }
    bool dataOpen() const { return dataSocket_ && dataSocket_->state() == QAbstractSocket::ConnectedState; }
    void send(const QByteArray &bytes) {
        if (ctl_) ctl_->write(bytes);
    }

private:
    void acceptControl() {
        while (auto *s = control_.nextPendingConnection()) {
            ctl_ = s;
            s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            connect(s, &QTcpSocket::readyRead, this, [this, s] {
                for (const QByteArray &l : ctlLines_.feed(s->readAll())) onLine(l);
            });
        }
    }
    void onLine(const QByteArray &l) {
        received << l;
        note(QStringLiteral("line ") + QString::fromLatin1(l.left(10)));
        if (l.startsWith("c_user")) {
            send("s_ok\r\n");
        } else if (l == "c_up") {
            send(refuseUpload ? QByteArray("s_qitaup") : QByteArray("s_name\r\n"));
        } else if (l.startsWith("c_filename")) {
            send("s_len\r\n");
        } else if (l.startsWith("c_len")) {
            announced = l.mid(5).toLongLong();
            data.clear();
            acked_ = 0;
            if (answerLen) send("s_file\r\n");
        } else if (l.startsWith("c_over")) {
            dataAtOver = data.size();
        } else if (l == "c_list") {
            pending_ = files;
            nextName();
        } else if (l == "c_nextlist") {
            nextName();
        }
    }
    void nextName() {
        if (pending_.isEmpty()) {
            send("s_busylist");
            return;
        }
        send("s_list" + pending_.takeFirst() + "\r\n");
    }
    void acceptData() {
        while (auto *s = data_.nextPendingConnection()) {
            dataSocket_ = s;
            note(QStringLiteral("data open"));
            s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            connect(s, &QTcpSocket::readyRead, this, [this, s] { onData(s); });
            connect(s, &QTcpSocket::disconnected, this, [this] { note(QStringLiteral("data closed")); });
        }
    }
    void onData(QTcpSocket *s) {
        data += s->readAll();
        maxUnacked = qMax(maxUnacked, qint64(data.size()) - acked_);
        // Acknowledge each whole chunk (and the short last one).
        while (data.size() - acked_ >= 1024 || (announced >= 0 && data.size() == announced && acked_ < announced)) {
            acked_ = qMin<qint64>(acked_ + 1024, data.size());
            ++acks;
            note(QStringLiteral("ack %1").arg(acks));
            if (holdAcksAfter >= 0 && acks > holdAcksAfter) return;
            if (closeDataAfterAcks >= 0 && acks >= closeDataAfterAcks) {
                s->abort();
                return;
            }
            if (nextMode == NextMode::Split) {
                s->write("s_ne");
                s->flush();
                QPointer<QTcpSocket> p(s);
                QTimer::singleShot(5, this, [p] {
                    if (p) p->write("xt\r\n");
                });
            } else if (nextMode == NextMode::DoubleFirst && acks == 1) {
                s->write("s_next\r\ns_next\r\n");
            } else {
                s->write("s_next\r\n");
            }
        }
    }

    QTcpServer control_, data_;
    QPointer<QTcpSocket> ctl_, dataSocket_;
    kv::LineBuffer ctlLines_;
    QList<QByteArray> pending_;
    qint64 acked_ = 0;
    QElapsedTimer clock_;
};
