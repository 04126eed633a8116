// HostEncoding: test literals are UTF-8, while the library holds texts in the host's encoding
// (GBK in the Windows build). Inputs go in through Host, results come back through Utf8, so
// that one expectation serves both builds.
#pragma once

#include <string>
#include <string_view>

#include "utilo/GbkCodec.h"

namespace kv::test {

inline std::string Host(std::string_view utf8) {
#ifdef _WIN32
    return kv::gbk::FromUtf8(utf8).text;
#else
    return std::string(utf8);
#endif
}

inline std::string Utf8(std::string_view hostText) {
#ifdef _WIN32
    return kv::gbk::ToUtf8(hostText).text;
#else
    return std::string(hostText);
#endif
}

}  // namespace kv::test
