// StringAppender: the output stream a RapidJSON writer appends to a string through.
#pragma once

#include <string>

namespace kv::host {

// Lets a writer append to a string in place, without a buffer of its own to copy from.
struct StringAppender {
    using Ch = char;
    void Put(char c) { text.push_back(c); }
    void Flush() {}
    std::string& text;
};

}  // namespace kv::host
