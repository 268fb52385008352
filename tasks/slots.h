#pragma once
// A fixed table of numbered slots, as the switch, event and task tables are:
// slots 1 to Size, each carrying its own number while taken and -1 while free,
// given out round-robin from the slot after the one given out last. Taking a
// slot is serialised by the table's guard, made by its first use.
// A creation finds a vacant slot, makes the slot's platform objects and only
// then publishes the number, so that no one who finds the number meets a
// slot whose objects are not there yet.
#include <atomic>
#include <cstdint>
#include <mutex>

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

    // Under the guard: the number of the first free slot from the cursor on,
    // or 0 when all are taken. Nothing changes until it is published.
    std::int32_t vacant() {
        std::int32_t s = cursor_;
        while ((*this)[s].number.load() >= 1) {
            s = s % Size + 1;
            if (s == cursor_)
                return 0;
        }
        return s;
    }

    // Under the guard: marks the vacant slot s as taken, its objects made.
    void publish(std::int32_t s) {
        cursor_ = s % Size + 1;
        (*this)[s].number.store(s);
    }

    void lock() { guard().lock(); }
    void unlock() { guard().unlock(); }

  private:
    static std::mutex& guard() {
        static std::mutex made;
        return made;
    }

    Slot slots_[Size];
    std::int32_t cursor_ = 1;
};
