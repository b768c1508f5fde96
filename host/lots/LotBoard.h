#pragma once
// The draw-lots board without pixels: the lot count check, the grid, the
// shuffle, the record order and the export bytes.
#include <QByteArray>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <random>
#include <vector>

namespace host::lots {

constexpr int kMaxLots = 100;

// The count field: either a count 1..kMaxLots or the message to show.
struct LotCount {
    int n = 0;          // 0 when refused
    QString message;    // "" when accepted
};
LotCount checkLotCount(const QString &text);

// Card sizes and places for n lots on a board of W x H with name fields E high.
// Every size, step and the per-row count are at least 1, however small the
// board; the steps between cards come from the unclamped sizes, so a board too
// small for visible cards still holds every lot in its grid.
struct LotGrid {
    int cols = 1, rows = 1;
    int cardW = 1, cardH = 1;
    int stepX = 21, stepY = 21;  // card width + 20, name field + card height + 20
    int perRow = 1;
    // Top-left corner of the card at position i (1-based).
    QPoint position(int i) const;
};
LotGrid layoutLots(int n, int boardW, int boardH, int nameH);

// Deals the numbers 1..n to positions 1..n: position i gets the i-th draw,
// each number still in the pool equally likely. One generator, seeded once.
class LotShuffler {
public:
    LotShuffler();  // seeded from the system's entropy source
    explicit LotShuffler(std::uint32_t seed) : gen_(seed) {}
    void reseed(std::uint32_t seed) { gen_.seed(seed); }
    std::vector<int> deal(int n);

private:
    std::mt19937 gen_;
};

// One row of the record list.
struct DrawRecord {
    QString number;  // the card's caption
    QString name;
};

// Sort order of two rows by a column: 0 compares the numbers, any other column
// the names as GBK bytes (ASCII letters without case). Negative puts a first;
// the order turns round when ascending is false.
int CompareDrawRecords(const DrawRecord &a, const DrawRecord &b, int column, bool ascending);

// The export lines "number TAB blank name", each ended by CR LF, in GB18030.
QString exportLine(const DrawRecord &r);
QByteArray exportBytes(const std::vector<DrawRecord> &records);

}  // namespace host::lots
