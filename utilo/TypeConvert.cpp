// TypeConvert: number conversions that report no error and never throw.
#include "utilo/TypeConvert.h"

#include <cstdlib>

#include "utilo/NumberText.h"

int TypeConvert::ToInt(const std::string& text, size_t* end, int base) {
    return kv::number::LeadingInt(text, base, end).value_or(0);
}

float TypeConvert::ToFloat(const std::string& text, size_t* end) {
    const char* start = text.c_str();
    char* stop = nullptr;
    const float value = std::strtof(start, &stop);
    if (end != nullptr) *end = static_cast<size_t>(stop - start);
    if (stop == start) return 0.0f;
    return value;
}

TypeConvert* newTypeConvert() { return new TypeConvert(); }
