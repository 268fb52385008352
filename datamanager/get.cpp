#include "datamanager/get.h"

#include "datamanager/handle.h"
#include "datamanager/layout.h"

#include <algorithm>

namespace {

// Copies no more than the field holds: a variable longer than the field (an
// end-of-record marker holds nothing) keeps the rest of what it held.
bool getbytes(const std::int32_t& handle, void* variable, std::int64_t bytes) {
    handlefields& fields = handleof(handle);
    if (fields.current == noblock) {
        return false;
    }
    const auto count =
        static_cast<std::int32_t>(std::min<std::int64_t>(bytes, datalength(fields.current)));
    MemGet(variable, fields.current + fieldheader, count);
    fields.current = nextof(fields.current);
    return true;
}

template <class T> bool getarray(const std::int32_t& handle, T* variable, const std::int32_t& n) {
    return getbytes(handle, variable, std::int64_t{n} * std::int64_t{sizeof(T)});
}

template <class T>
bool element(const std::int32_t& handle, T& variable, const std::int32_t& k, const char* mode) {
    const std::int32_t field = handleof(handle).current;
    if (field == noblock || k < 1 ||
        std::int64_t{k} * std::int64_t{sizeof(T)} > datalength(field)) {
        return false;
    }
    const std::int32_t at = field + fieldheader + (k - 1) * std::int32_t{sizeof(T)};
    if (mode != nullptr && (mode[0] == 'W' || mode[0] == 'w')) {
        MemPut(&variable, at, sizeof(T));
    } else {
        MemGet(&variable, at, sizeof(T));
    }
    return true;
}

} // namespace

bool IDMGet1(const std::int32_t& handle, std::int8_t& variable) {
    return getbytes(handle, &variable, sizeof variable);
}
bool IDMGet2(const std::int32_t& handle, std::int16_t& variable) {
    return getbytes(handle, &variable, sizeof variable);
}
bool IDMGet4(const std::int32_t& handle, std::int32_t& variable) {
    return getbytes(handle, &variable, sizeof variable);
}
bool IDMGet4(const std::int32_t& handle, float& variable) {
    return getbytes(handle, &variable, sizeof variable);
}
bool IDMGet8(const std::int32_t& handle, double& variable) {
    return getbytes(handle, &variable, sizeof variable);
}

bool IDMGetN1(const std::int32_t& handle, std::int8_t* variable, const std::int32_t& n) {
    return getarray(handle, variable, n);
}
bool IDMGetN2(const std::int32_t& handle, std::int16_t* variable, const std::int32_t& n) {
    return getarray(handle, variable, n);
}
bool IDMGetN4(const std::int32_t& handle, std::int32_t* variable, const std::int32_t& n) {
    return getarray(handle, variable, n);
}
bool IDMGetN4(const std::int32_t& handle, float* variable, const std::int32_t& n) {
    return getarray(handle, variable, n);
}
bool IDMGetN8(const std::int32_t& handle, double* variable, const std::int32_t& n) {
    return getarray(handle, variable, n);
}
bool IDMGetText(const std::int32_t& handle, char* text, const std::int32_t& n) {
    return getarray(handle, text, n);
}

bool IDMElement1(const std::int32_t& handle, std::int8_t& variable, const std::int32_t& k,
                 const char* mode) {
    return element(handle, variable, k, mode);
}
bool IDMElement2(const std::int32_t& handle, std::int16_t& variable, const std::int32_t& k,
                 const char* mode) {
    return element(handle, variable, k, mode);
}
bool IDMElement4(const std::int32_t& handle, std::int32_t& variable, const std::int32_t& k,
                 const char* mode) {
    return element(handle, variable, k, mode);
}
bool IDMElement4(const std::int32_t& handle, float& variable, const std::int32_t& k,
                 const char* mode) {
    return element(handle, variable, k, mode);
}
bool IDMElement8(const std::int32_t& handle, double& variable, const std::int32_t& k,
                 const char* mode) {
    return element(handle, variable, k, mode);
}
