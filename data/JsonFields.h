// JsonFields: the tolerant field readers shared by every application record's ParseJson.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "utilo/JsonBase.h"

namespace json_fields {

using Brisk::RapidJsonHelper::JsonValue;

// True when the member's name is exactly key: whole string, case-sensitive, so a name with
// an embedded NUL byte never matches.
inline bool IsKey(const JsonValue& name, const char* key) {
    const size_t length = std::strlen(key);
    return name.GetStringLength() == length && std::memcmp(name.GetString(), key, length) == 0;
}

// A string field takes JSON strings only, every byte of them.
inline void ReadString(const JsonValue& value, std::string& field) {
    if (value.IsString()) field.assign(value.GetString(), value.GetStringLength());
}

// An int field takes JSON integers that fit 32 bits (not 1.0, true or "1").
inline void ReadInt(const JsonValue& value, int32_t& field) {
    if (value.IsInt()) field = value.GetInt();
}

// A float field takes any JSON number, narrowed from its double reading. A number beyond the
// float range is not a float value, so the field keeps what it held (usually "not given")
// rather than becoming infinite.
inline void ReadFloat(const JsonValue& value, float& field) {
    if (!value.IsNumber()) return;
    const double reading = value.GetDouble();
    if (!std::isfinite(reading)) return;
    const float narrowed = static_cast<float>(reading);
    if (std::isfinite(narrowed)) field = narrowed;
}

// A container or nested record takes any non-null value; it ignores kinds it cannot use.
template <typename Container>
void ReadNested(const JsonValue& value, Container& field) {
    if (!value.IsNull()) field.ParseJson(value);
}

}  // namespace json_fields
