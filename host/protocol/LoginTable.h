#pragma once
// The addresses that logged in. A fixed table of 101 slots: a freed slot inside
// the list holds "blank", the first empty slot ends the list, and only slots 0
// to 98 ever receive an address, so at most 99 are held.
#include <QString>

#include <array>

namespace host {

class LoginTable {
public:
    static constexpr int kSlots = 101;
    static constexpr int kUsable = 99;
    static inline const QString kBlank = QStringLiteral("blank");

    enum class AddResult { Added, Already, Full };

    // True when the address is in the list (TouchUser).
    bool contains(const QString &address) const;
    // True when a new address could not be stored (no empty or "blank" slot left).
    bool isFull() const;
    AddResult add(const QString &address);
    // Frees the address's slot: empty at the end of the list, "blank" inside it.
    void remove(const QString &address);

    const QString &slot(int i) const { return slots_.at(i); }
    int listLength() const;

private:
    // The address's slot within the list; -1 when it is not listed.
    int indexOf(const QString &address) const;
    // The first empty or "blank" slot that may take an address; -1 when none.
    int freeSlot() const;

    std::array<QString, kSlots> slots_;
};

}  // namespace host
