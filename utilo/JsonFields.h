// JsonFields: the member walk and tolerant field readers of every record's ParseJson.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "utilo/JsonBase.h"

namespace kv::json {

using Brisk::RapidJsonHelper::JsonValue;

// Calls take(key, value) for each member of an object in document order, so that a key given
// twice ends with the later value. The key is the whole name, so a name with an embedded NUL
// byte never equals a key without it. A value that is no object calls nothing.
template <typename Take>
void ForEachMember(const JsonValue& value, Take take) {
    if (!value.IsObject()) return;
    for (const auto& member : value.GetObject()) {
        take(std::string_view(member.name.GetString(), member.name.GetStringLength()),
             member.value);
    }
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

}  // namespace kv::json
