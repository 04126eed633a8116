// TypeConvert: text to number conversions that never throw.
#pragma once

#include <cstddef>
#include <string>

class TypeConvert {
public:
    virtual ~TypeConvert() = default;
    // The integer at the start of text in the given base (leading spaces and a sign allowed);
    // 0 when there is none or it does not fit an int. end, when given, receives the index
    // of the first byte not used.
    virtual int ToInt(const std::string& text, size_t* end, int base);
    // The float at the start of text; 0 when there is none, +-inf for "inf" or a number beyond
    // the float range. end as for ToInt.
    virtual float ToFloat(const std::string& text, size_t* end);
};

TypeConvert* newTypeConvert();
