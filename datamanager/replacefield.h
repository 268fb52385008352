#pragma once
// IDMReplaceField: overwrites the start of a field's data in place. The field
// is counted from the first field of the record, and may lie in a later
// record. A missing directory, file, record or field stops the program, and so
// does a value longer than the field's data.
#include <cstdint>

void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int8_t& value);
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int16_t& value);
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int32_t& value);
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory, const float& value);
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory, const double& value);

void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int8_t* values, const std::int32_t& n);
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int16_t* values, const std::int32_t& n);
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory,
                     const std::int32_t* values, const std::int32_t& n);
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory, const float* values,
                     const std::int32_t& n);
void IDMReplaceField(const std::int32_t& field, const std::int32_t& record,
                     const std::int32_t& file, const std::int32_t& directory, const double* values,
                     const std::int32_t& n);
