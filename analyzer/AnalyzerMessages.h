// AnalyzerMessages: the analyzer's fixed texts and error messages, from AnalyzerMessages.def.
#pragma once

#include <string>

#include "IData.h"

namespace analyzer_text {
#define KV_TEXT(id, text) inline constexpr const char* id = text;
#define KV_MSG(id, code, text) KV_TEXT(id, text)
#define KV_MSG_AROUND(id, code, head, tail)
#include "analyzer/AnalyzerMessages.def"
#undef KV_MSG_AROUND
#undef KV_MSG
#undef KV_TEXT
}  // namespace analyzer_text

namespace analyzer_code {
#define KV_TEXT(id, text)
#define KV_MSG(id, code, text) inline constexpr int id = code;
#define KV_MSG_AROUND(id, code, head, tail) KV_MSG(id, code, head)
#include "analyzer/AnalyzerMessages.def"
#undef KV_MSG_AROUND
#undef KV_MSG
#undef KV_TEXT
}  // namespace analyzer_code

namespace analyzer_msg {

// One error message of the catalog.
struct Message {
    int code;
    const char* head;  // the whole text of a fixed message
    const char* tail;
    bool around;  // the offending name or value goes between head and tail
};

#define KV_TEXT(id, text)
#define KV_MSG(id, code, text) inline constexpr Message id{code, text, "", false};
#define KV_MSG_AROUND(id, code, head, tail) inline constexpr Message id{code, head, tail, true};
#include "analyzer/AnalyzerMessages.def"
#undef KV_MSG_AROUND
#undef KV_MSG
#undef KV_TEXT

// Every analyzer error is of this level.
inline constexpr int kErrorLevel = 3;

// The text of message with part between its head and tail (fixed texts ignore part).
inline std::string Text(const Message& message, const std::string& part = {}) {
    std::string text = message.head;
    if (message.around) text += part + message.tail;
    return text;
}

// Reports message at line and column (-1, -1 for none) on data's log sink, if it has one.
inline void ReportAt(IData* data, const Message& message, int line, int column,
                     const std::string& part = {}) {
    ILanguageDebug* log = data != nullptr ? data->GetLanguageDebug() : nullptr;
    if (log != nullptr) {
        log->ReportErrorAt(message.code, line, column, Text(message, part), kErrorLevel);
    }
}

}  // namespace analyzer_msg
