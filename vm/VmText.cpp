// VmText: the Windows conversion of host texts into the image's UTF-8.
#include "vm/VmText.h"

#ifdef _WIN32
#include <cstdio>

#include "utilo/GbkCodec.h"

std::string ImageText(const std::string& text) {
    // Converted as CodeConvert::ConvertText does, but keeping where a bad text goes wrong.
    kv::gbk::Converted converted = kv::gbk::ToUtf8(text);
    if (converted.Ok()) return std::move(converted.text);
    const std::size_t at = *converted.failedAt;
    std::string shown = text.substr(0, at);
    if (at < text.size()) {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[at]));
        shown += escape;
    }
    throw NotConvertibleText(std::move(shown));
}
#endif
