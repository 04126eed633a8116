// AnalyzerMessages: the analyzer's fixed texts and error codes, from AnalyzerMessages.def.
#pragma once

namespace analyzer_text {
#define KV_TEXT(id, text) inline constexpr const char* id = text;
#define KV_MSG(id, code, text) KV_TEXT(id, text)
#include "analyzer/AnalyzerMessages.def"
#undef KV_MSG
#undef KV_TEXT
}  // namespace analyzer_text

namespace analyzer_code {
#define KV_TEXT(id, text)
#define KV_MSG(id, code, text) inline constexpr int id = code;
#include "analyzer/AnalyzerMessages.def"
#undef KV_MSG
#undef KV_TEXT
}  // namespace analyzer_code
