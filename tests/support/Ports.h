#pragma once
// Free loopback ports for tests that run side by side: a control port P whose
// P, P+1 (TCP) and P+2, P+3 (UDP) are all free right now.
#include <QHostAddress>
#include <QTcpServer>
#include <QUdpSocket>

namespace kvtest {

inline bool tcpFree(int port) {
    QTcpServer s;
    return s.listen(QHostAddress::AnyIPv4, static_cast<quint16>(port));
}

inline bool udpFree(int port) {
    QUdpSocket s;
    return s.bind(QHostAddress::AnyIPv4, static_cast<quint16>(port));
}

inline int freePortBlock() {
    for (int attempt = 0; attempt < 200; ++attempt) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::AnyIPv4, 0)) continue;
        const int p = probe.serverPort();
        probe.close();
        if (p < 1024 || p > 65532) continue;
        if (tcpFree(p) && tcpFree(p + 1) && udpFree(p + 2) && udpFree(p + 3)) return p;
    }
    return 0;
}

// Starts listeners (anything with start(int) returning a StartError) on a free
// block; the port, or 0.
template <typename Listeners>
int startOnFreeBlock(Listeners &listeners) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int p = freePortBlock();
        if (p && listeners.start(p) == Listeners::StartError::None) return p;
    }
    return 0;
}

}  // namespace kvtest
