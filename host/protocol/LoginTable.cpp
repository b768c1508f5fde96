#include "host/protocol/LoginTable.h"

namespace host {

int LoginTable::listLength() const {
    int n = 0;
    while (n < kSlots - 1 && !slots_[n].isEmpty()) ++n;
    return n;
}

int LoginTable::indexOf(const QString &address) const {
    if (address.isEmpty() || address == kBlank) return -1;
    for (int i = 0; i < kSlots - 1 && !slots_[i].isEmpty(); ++i)
        if (slots_[i] == address) return i;
    return -1;
}

bool LoginTable::contains(const QString &address) const { return indexOf(address) >= 0; }

int LoginTable::freeSlot() const {
    for (int i = 0; i < kUsable; ++i)
        if (slots_[i].isEmpty() || slots_[i] == kBlank) return i;
    return -1;
}

bool LoginTable::isFull() const { return freeSlot() < 0; }

LoginTable::AddResult LoginTable::add(const QString &address) {
    if (contains(address)) return AddResult::Already;
    const int i = freeSlot();
    if (address.isEmpty() || address == kBlank || i < 0) return AddResult::Full;
    slots_[i] = address;
    return AddResult::Added;
}

void LoginTable::remove(const QString &address) {
    const int i = indexOf(address);
    if (i >= 0) slots_[i] = slots_[i + 1].isEmpty() ? QString() : kBlank;
}

}  // namespace host
