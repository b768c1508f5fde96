#pragma once
// Waiting on real events without fixed sleeps, and test data.
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstring>

namespace kvtest {

// Pumps events until pred holds (true) or ms pass (false).
template <class Pred>
bool spinUntil(Pred pred, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// n bytes of repeatable noise.
inline QByteArray randomBytes(qsizetype n, quint32 seed = 5) {
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (qsizetype i = 0; i < n; i += 4) {
        const quint32 v = gen.generate();
        std::memcpy(b.data() + i, &v, static_cast<size_t>(std::min<qsizetype>(4, n - i)));
    }
    return b;
}

}  // namespace kvtest
