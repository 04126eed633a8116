// QuotedText: what the checkers count as a quoted value.
#pragma once

#include <string>

// True when text begins and ends with a double quote; a lone quote does both.
inline bool IsQuoted(const std::string& text) {
    return !text.empty() && text.front() == '"' && text.back() == '"';
}
