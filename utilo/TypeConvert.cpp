// TypeConvert: number conversions that report no error and never throw.
#include "utilo/TypeConvert.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

int TypeConvert::ToInt(const std::string& text, size_t* end, int base) {
    const char* start = text.c_str();
    char* stop = nullptr;
    errno = 0;
    const long long value = std::strtoll(start, &stop, base);
    if (end != nullptr) *end = static_cast<size_t>(stop - start);
    if (stop == start || errno == ERANGE || value < INT_MIN || value > INT_MAX) return 0;
    return static_cast<int>(value);
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
