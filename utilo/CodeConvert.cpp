// CodeConvert: host text to the image's UTF-8.
#include "utilo/CodeConvert.h"

#include "utilo/GbkCodec.h"

std::string CodeConvert::ConvertText(const std::string& text) {
    std::optional<std::string> converted = TryConvertText(text);
    return converted ? std::move(*converted) : std::string();
}

std::optional<std::string> CodeConvert::TryConvertText(const std::string& text) {
#ifdef _WIN32
    kv::gbk::Converted converted = kv::gbk::ToUtf8(text);
    if (!converted.Ok()) return std::nullopt;
    return std::move(converted.text);
#else
    return text;
#endif
}

CodeConvert* newCodeConvert() { return new CodeConvert(); }
