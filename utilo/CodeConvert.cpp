// CodeConvert: host text to the image's UTF-8.
#include "utilo/CodeConvert.h"

std::string CodeConvert::ConvertText(const std::string& text) { return text; }

CodeConvert* newCodeConvert() { return new CodeConvert(); }
