#pragma once
// Putting fields on a work handle. Each put appends one field after the
// handle's last: a value, an array of n elements, n copies of a value, n
// reserved bytes, or an end-of-record marker (a field without data). A count
// below 0 counts as 0.
#include <cstdint>

void IDMPut1(const std::int32_t& handle, const std::int8_t& value);
void IDMPut2(const std::int32_t& handle, const std::int16_t& value);
void IDMPut4(const std::int32_t& handle, const std::int32_t& value);
void IDMPut4(const std::int32_t& handle, const float& value);
void IDMPut8(const std::int32_t& handle, const double& value);

void IDMPutN1(const std::int32_t& handle, const std::int8_t* array, const std::int32_t& n);
void IDMPutN2(const std::int32_t& handle, const std::int16_t* array, const std::int32_t& n);
void IDMPutN4(const std::int32_t& handle, const std::int32_t* array, const std::int32_t& n);
void IDMPutN4(const std::int32_t& handle, const float* array, const std::int32_t& n);
void IDMPutN8(const std::int32_t& handle, const double* array, const std::int32_t& n);
// The first n characters of the text.
void IDMPutText(const std::int32_t& handle, const char* text, const std::int32_t& n);
// n bytes left as the pool holds them.
void IDMReserve(const std::int32_t& handle, const std::int32_t& n);

void IDMFillN1(const std::int32_t& handle, const std::int8_t& value, const std::int32_t& n);
void IDMFillN2(const std::int32_t& handle, const std::int16_t& value, const std::int32_t& n);
void IDMFillN4(const std::int32_t& handle, const std::int32_t& value, const std::int32_t& n);
void IDMFillN4(const std::int32_t& handle, const float& value, const std::int32_t& n);
void IDMFillN8(const std::int32_t& handle, const double& value, const std::int32_t& n);

void IDMEndRecord(const std::int32_t& handle);
