#include "datamanager/put.h"

#include "datamanager/handle.h"
#include "datamanager/layout.h"

#include <algorithm>
#include <limits>

namespace {

// Allocates a field for elements × n data bytes, links it behind the
// handle's last field and gives back its address. A size beyond 32 bits
// never fits the pool: the allocator refuses it.
std::int32_t newfield(const std::int32_t& handle, std::int32_t elements, std::int32_t n) {
    const std::int64_t wanted = std::int64_t{elements} * std::max(n, 0) + fieldheader;
    const auto size = static_cast<std::int32_t>(
        std::min<std::int64_t>(wanted, std::numeric_limits<std::int32_t>::max()));
    std::int32_t field = noblock;
    IDMAlloc(field, size);
    handlefields& fields = handleof(handle);
    putword(fields.position, field);
    fields.position = field + linkword;
    if (fields.first == noblock) {
        fields.first = field;
    }
    putword(field + linkword, noblock);
    putword(field + sizeword, size);
    return field;
}

template <class T> void putvalue(const std::int32_t& handle, const T& value) {
    const std::int32_t field = newfield(handle, sizeof(T), 1);
    MemPut(&value, field + fieldheader, sizeof(T));
}

template <class T>
void putarray(const std::int32_t& handle, const T* array, const std::int32_t& n) {
    const std::int32_t field = newfield(handle, sizeof(T), n);
    MemPut(array, field + fieldheader, datalength(field));
}

template <class T> void fill(const std::int32_t& handle, const T& value, const std::int32_t& n) {
    const std::int32_t field = newfield(handle, sizeof(T), n);
    for (std::int32_t i = 0; i < n; ++i) {
        MemPut(&value, field + fieldheader + i * std::int32_t{sizeof(T)}, sizeof(T));
    }
}

} // namespace

void IDMPut1(const std::int32_t& handle, const std::int8_t& value) {
    putvalue(handle, value);
}
void IDMPut2(const std::int32_t& handle, const std::int16_t& value) {
    putvalue(handle, value);
}
void IDMPut4(const std::int32_t& handle, const std::int32_t& value) {
    putvalue(handle, value);
}
void IDMPut4(const std::int32_t& handle, const float& value) {
    putvalue(handle, value);
}
void IDMPut8(const std::int32_t& handle, const double& value) {
    putvalue(handle, value);
}

void IDMPutN1(const std::int32_t& handle, const std::int8_t* array, const std::int32_t& n) {
    putarray(handle, array, n);
}
void IDMPutN2(const std::int32_t& handle, const std::int16_t* array, const std::int32_t& n) {
    putarray(handle, array, n);
}
void IDMPutN4(const std::int32_t& handle, const std::int32_t* array, const std::int32_t& n) {
    putarray(handle, array, n);
}
void IDMPutN4(const std::int32_t& handle, const float* array, const std::int32_t& n) {
    putarray(handle, array, n);
}
void IDMPutN8(const std::int32_t& handle, const double* array, const std::int32_t& n) {
    putarray(handle, array, n);
}

void IDMPutText(const std::int32_t& handle, const char* text, const std::int32_t& n) {
    const std::int32_t field = newfield(handle, 1, n);
    for (std::int32_t i = 0; i < n; ++i) {
        MemPut(text + i, field + fieldheader + i, 1);
    }
}

void IDMReserve(const std::int32_t& handle, const std::int32_t& n) {
    newfield(handle, 1, n);
}

void IDMFillN1(const std::int32_t& handle, const std::int8_t& value, const std::int32_t& n) {
    fill(handle, value, n);
}
void IDMFillN2(const std::int32_t& handle, const std::int16_t& value, const std::int32_t& n) {
    fill(handle, value, n);
}
void IDMFillN4(const std::int32_t& handle, const std::int32_t& value, const std::int32_t& n) {
    fill(handle, value, n);
}
void IDMFillN4(const std::int32_t& handle, const float& value, const std::int32_t& n) {
    fill(handle, value, n);
}
void IDMFillN8(const std::int32_t& handle, const double& value, const std::int32_t& n) {
    fill(handle, value, n);
}

void IDMEndRecord(const std::int32_t& handle) {
    newfield(handle, 1, 0);
}
