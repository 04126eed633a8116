// CodeConvert: converts host texts into the image's text encoding (UTF-8).
#pragma once

#include <string>

// Released with a plain delete, so it holds no state that needs destruction.
class CodeConvert {
public:
    // The Linux build holds UTF-8 already and returns text unchanged; the Windows build turns
    // its GBK texts into UTF-8. A text that is not GBK gives an empty text; the image builder,
    // which must not lose it, converts through kv::gbk itself and reports it.
    std::string ConvertText(const std::string& text);
};

CodeConvert* newCodeConvert();
