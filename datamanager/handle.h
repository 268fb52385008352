#pragma once
// HANDLE: the 100 handles through which every directory, file and record
// operation works. Handles are given out round-robin from the one after the
// handle given out last; when all 100 are in use the program stops.
#include <cstdint>

inline constexpr std::int32_t handlecount = 100;

struct handlefields {
    std::int32_t position = -1; // the link word that leads to the handle's place
    std::int32_t first = -1;    // first field written, or of the record read
    std::int32_t current = -1;  // the field read next
    std::int32_t tag = -1;      // work directory number, or records per skip
    std::int32_t inuse = 0;     // the handle's own number while given out
};

void IDMGetHandle(std::int32_t& handle);
void IDMFreeHandle(const std::int32_t& handle);
void IDMHandleCount(std::int32_t& count);

// The fields of handle 1 to 100; any other number stops the program.
handlefields& handleof(const std::int32_t& handle);

// A handle taken for the duration of one operation.
class heldhandle {
  public:
    heldhandle() { IDMGetHandle(number); }
    ~heldhandle() { IDMFreeHandle(number); }
    heldhandle(const heldhandle&) = delete;
    heldhandle& operator=(const heldhandle&) = delete;

  private:
    std::int32_t number = 0;
};
