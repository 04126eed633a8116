// CheckerMessages: the checkers' message catalog, from CheckerMessages.def.
#pragma once

#include <string>

class IData;

namespace checker_msg {

enum class Id {
#define KV_MSG(id, code, text) id,
#define KV_MSG_AROUND(id, code, head, tail) id,
#include "checkers/CheckerMessages.def"
#undef KV_MSG_AROUND
#undef KV_MSG
    Count
};

struct Entry {
    int code;
    const char* head;  // the whole text of a fixed message
    const char* tail;
    bool around;       // the offending name or value goes between head and tail
};

inline constexpr Entry kCatalog[] = {
#define KV_MSG(id, code, text) {code, text, "", false},
#define KV_MSG_AROUND(id, code, head, tail) {code, head, tail, true},
#include "checkers/CheckerMessages.def"
#undef KV_MSG_AROUND
#undef KV_MSG
    {0, "", "", false}};

// Every checker message is an error of this level.
inline constexpr int kErrorLevel = 3;

inline constexpr int Code(Id id) { return kCatalog[static_cast<int>(id)].code; }
// The message text with part placed between head and tail (part is ignored by fixed texts).
std::string Text(Id id, const std::string& part = {});

// Reports through ReportErrorAt at line and column.
void ReportAt(IData* data, Id id, int line, int column, const std::string& part = {});
// Reports through ReportError, without a position.
void Report(IData* data, Id id, const std::string& part = {});

}  // namespace checker_msg
