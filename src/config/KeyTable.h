#pragma once

#include <QtGlobal>

#include <vector>

/// An open-addressing hash table of int values (indices into the owner's own arrays) that keeps
/// no keys: the owner compares a stored value against the key it looks for. Eight bytes an entry,
/// where a QHash keyed by a string costs a string each. Internal to src/config.
class TKeyTable {
public:
    /// The slot holding a value whose key matches (same(value) true), or -1.
    template <typename Same> qsizetype Find(quint32 hash, Same same) const {
        if (FSlots.empty())
            return -1;
        for (qsizetype i = hash & Mask();; i = (i + 1) & Mask()) {
            const Slot& s = FSlots[static_cast<std::size_t>(i)];
            if (s.value < 0)
                return -1;
            if (s.hash == hash && same(s.value))
                return i;
        }
    }
    int ValueAt(qsizetype slot) const { return FSlots[static_cast<std::size_t>(slot)].value; }
    void SetValueAt(qsizetype slot, int value) { FSlots[static_cast<std::size_t>(slot)].value = value; }

    /// Adds a value whose key is not in the table yet.
    void Insert(quint32 hash, int value) {
        if ((FCount + 1) * 4 > static_cast<qsizetype>(FSlots.size()) * 3)
            Grow();
        qsizetype i = hash & Mask();
        while (FSlots[static_cast<std::size_t>(i)].value >= 0)
            i = (i + 1) & Mask();
        FSlots[static_cast<std::size_t>(i)] = {hash, value};
        ++FCount;
    }

    /// Removes a slot, moving later entries of its probe run back so that lookups stay exact.
    void Erase(qsizetype slot) {
        qsizetype hole = slot;
        for (qsizetype i = (hole + 1) & Mask();; i = (i + 1) & Mask()) {
            Slot& s = FSlots[static_cast<std::size_t>(i)];
            if (s.value < 0)
                break;
            const qsizetype home = s.hash & Mask();
            // Moves s into the hole unless its home lies cyclically within (hole, i].
            const bool stays = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
            if (!stays) {
                FSlots[static_cast<std::size_t>(hole)] = s;
                hole = i;
            }
        }
        FSlots[static_cast<std::size_t>(hole)].value = -1;
        --FCount;
    }

    void Clear() {
        FSlots.clear();
        FCount = 0;
    }
    void Reserve(qsizetype count) {
        qsizetype capacity = 16;
        while (capacity * 3 < count * 4)
            capacity *= 2;
        if (capacity > static_cast<qsizetype>(FSlots.size()))
            Rehash(capacity);
    }

private:
    struct Slot {
        quint32 hash = 0;
        int value = -1; // -1: empty
    };
    qsizetype Mask() const { return static_cast<qsizetype>(FSlots.size()) - 1; }
    void Grow() { Rehash(FSlots.empty() ? 16 : static_cast<qsizetype>(FSlots.size()) * 2); }
    void Rehash(qsizetype capacity) {
        std::vector<Slot> old(static_cast<std::size_t>(capacity));
        old.swap(FSlots);
        for (const Slot& s : old) {
            if (s.value < 0)
                continue;
            qsizetype i = s.hash & Mask();
            while (FSlots[static_cast<std::size_t>(i)].value >= 0)
                i = (i + 1) & Mask();
            FSlots[static_cast<std::size_t>(i)] = s;
        }
    }

    std::vector<Slot> FSlots;
    qsizetype FCount = 0;
};
