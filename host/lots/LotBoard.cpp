#include "host/lots/LotBoard.h"

#include <algorithm>

#include "common/Gbk.h"
#include "common/Text.h"

namespace host::lots {

LotCount checkLotCount(const QString &text) {
    if (!kv::IsAllDigits(text)) return {0, QStringLiteral("左边框内数字格式有错")};
    // A digit run too long for any count is out of range like "101".
    const auto v = kv::parseDecimal(text, 0xFFFFFFFFull);
    if (!v || *v == 0 || *v > kMaxLots) return {0, QStringLiteral("制作数量范围为1-100个签")};
    return {static_cast<int>(*v), QString()};
}

QPoint LotGrid::position(int i) const {
    const int row0 = (i + perRow - 1) / perRow - 1;
    const int col = i - row0 * perRow;
    return {stepX * (col - 1) + 10, stepY * row0 + 10};
}

LotGrid layoutLots(int n, int boardW, int boardH, int nameH) {
    LotGrid g;
    n = std::clamp(n, 1, kMaxLots);
    g.cols = 1;
    while (g.cols < 30 && g.cols * g.cols < n) ++g.cols;
    g.rows = (n + g.cols - 1) / g.cols;
    const int w = boardW - 10, h = boardH - 10;
    const int cardW = std::min(w / g.cols - 20, w / 3);
    const int cardH = std::min(h / g.rows - 20 - nameH, h / 3);
    g.cardW = std::max(cardW, 1);
    g.cardH = std::max(cardH, 1);
    g.stepX = std::max(cardW + 20, 1);
    g.stepY = std::max(nameH + cardH + 20, 1);
    g.perRow = std::max(w / g.stepX, 1);
    return g;
}

LotShuffler::LotShuffler() : gen_(std::random_device{}()) {}

std::vector<int> LotShuffler::deal(int n) {
    std::vector<int> pool;
    for (int k = 1; k <= n; ++k) pool.push_back(k);
    std::vector<int> dealt;
    dealt.reserve(pool.size());
    while (!pool.empty()) {
        std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
        const auto m = pool.begin() + static_cast<std::ptrdiff_t>(pick(gen_));
        dealt.push_back(*m);
        pool.erase(m);
    }
    return dealt;
}

namespace {
int compareNameBytes(const QByteArray &a, const QByteArray &b) {
    const auto fold = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int d = fold(a[i]) - fold(b[i]);
        if (d != 0) return d < 0 ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
}  // namespace

int CompareDrawRecords(const DrawRecord &a, const DrawRecord &b, int column, bool ascending) {
    int r;
    if (column == 0) {
        const qint64 x = a.number.toLongLong(), y = b.number.toLongLong();
        r = x < y ? -1 : (x > y ? 1 : 0);
    } else {
        r = compareNameBytes(kv::toGbkLossy(a.name), kv::toGbkLossy(b.name));
    }
    return ascending ? r : -r;
}

QString exportLine(const DrawRecord &r) { return r.number + QStringLiteral("\t ") + r.name; }

QByteArray exportBytes(const std::vector<DrawRecord> &records) {
    QByteArray out;
    for (const auto &r : records) out += kv::toGbkLossy(exportLine(r)) + "\r\n";
    return out;
}

}  // namespace host::lots
