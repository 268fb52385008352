#pragma once
// A fixed table of numbered slots, as the switch, event and task tables are:
// slots 1 to Size, each carrying its own number while taken and -1 while free,
// given out round-robin from the slot after the one given out last. Taking a
// slot is serialised by the table's guard, a platform mutex made by the first
// lock, exactly once, and never released.
#include "platform/sync.h"

#include <atomic>
#include <cstdint>

template <typename Slot, std::int32_t Size> class slottable {
  public:
    static constexpr std::int32_t size = Size;

    Slot& operator[](std::int32_t number) { return slots_[number - 1]; }

    // The slot carrying this number, or nullptr (0, out of range, or free).
    Slot* named(std::int32_t number) {
        if (number < 1 || number > Size)
            return nullptr;
        Slot& slot = (*this)[number];
        return slot.number.load() == number ? &slot : nullptr;
    }

    // Under the guard: marks the first free slot from the cursor on as taken
    // and returns its number; 0, with nothing changed, when all are taken.
    std::int32_t take() {
        std::int32_t s = cursor_;
        while ((*this)[s].number.load() >= 1) {
            s = s % Size + 1;
            if (s == cursor_)
                return 0;
        }
        cursor_ = s % Size + 1;
        (*this)[s].number.store(s);
        return s;
    }

    void lock() { platform::mutexacquire(guard()); }
    void unlock() { platform::mutexrelease(guard()); }

  private:
    static platform::handle guard() {
        static const platform::handle made = platform::mutexcreate();
        return made;
    }

    Slot slots_[Size];
    std::int32_t cursor_ = 1;
};
