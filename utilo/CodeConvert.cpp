// CodeConvert: host text to the image's UTF-8.
#include "utilo/CodeConvert.h"

#include "utilo/GbkCodec.h"

std::string CodeConvert::ConvertText(const std::string& text) {
#ifdef _WIN32
    kv::gbk::Converted converted = kv::gbk::ToUtf8(text);
    return converted.Ok() ? std::move(converted.text) : std::string();
#else
    return text;
#endif
}

CodeConvert* newCodeConvert() { return new CodeConvert(); }
