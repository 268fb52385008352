#pragma once
// Getting fields from a read handle. Each get copies the start of the current
// field's data into the variable (as many bytes as the variable asks for, and
// never more than the field holds) and moves to the next field; at the end of
// the file it copies nothing and gives false.
//
// Element access reads or, with mode "W" or "w", writes element k (from 1) of
// the current field without moving the handle. It gives false, and copies
// nothing, when there is no current field or the element lies outside it.
#include <cstdint>

bool IDMGet1(const std::int32_t& handle, std::int8_t& variable);
bool IDMGet2(const std::int32_t& handle, std::int16_t& variable);
bool IDMGet4(const std::int32_t& handle, std::int32_t& variable);
bool IDMGet4(const std::int32_t& handle, float& variable);
bool IDMGet8(const std::int32_t& handle, double& variable);

bool IDMGetN1(const std::int32_t& handle, std::int8_t* variable, const std::int32_t& n);
bool IDMGetN2(const std::int32_t& handle, std::int16_t* variable, const std::int32_t& n);
bool IDMGetN4(const std::int32_t& handle, std::int32_t* variable, const std::int32_t& n);
bool IDMGetN4(const std::int32_t& handle, float* variable, const std::int32_t& n);
bool IDMGetN8(const std::int32_t& handle, double* variable, const std::int32_t& n);
// n characters into the text's first n positions.
bool IDMGetText(const std::int32_t& handle, char* text, const std::int32_t& n);

bool IDMElement1(const std::int32_t& handle, std::int8_t& variable, const std::int32_t& k,
                 const char* mode);
bool IDMElement2(const std::int32_t& handle, std::int16_t& variable, const std::int32_t& k,
                 const char* mode);
bool IDMElement4(const std::int32_t& handle, std::int32_t& variable, const std::int32_t& k,
                 const char* mode);
bool IDMElement4(const std::int32_t& handle, float& variable, const std::int32_t& k,
                 const char* mode);
bool IDMElement8(const std::int32_t& handle, double& variable, const std::int32_t& k,
                 const char* mode);
