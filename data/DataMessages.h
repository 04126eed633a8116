// DataMessages: ids, codes and texts of the data subsystem's messages, and their reporting.
#pragma once

#include <cstddef>
#include <string>

class IData;

namespace data_msg {

enum class Id {
#define KV_MSG(id, code, text) id,
#define KV_MSG_AROUND(id, code, head, tail) id,
#include "data/DataMessages.def"
#undef KV_MSG_AROUND
#undef KV_MSG
};

// One catalog row. A fixed text is all head; a wrapped one puts its part between head and tail.
struct Entry {
    Id id;
    const char* name;
    int code;
    const char* head;
    const char* tail;
    bool wrapsPart;
};

inline constexpr Entry kCatalog[] = {
#define KV_MSG(id, code, text) {Id::id, #id, code, text, "", false},
#define KV_MSG_AROUND(id, code, head, tail) {Id::id, #id, code, head, tail, true},
#include "data/DataMessages.def"
#undef KV_MSG_AROUND
#undef KV_MSG
};

// Every message of this subsystem is an error of this level.
inline constexpr int kErrorLevel = 3;

inline constexpr const Entry& Lookup(Id id) { return kCatalog[static_cast<size_t>(id)]; }

// The message text with part placed between head and tail (part is ignored by fixed texts).
std::string Text(Id id, const std::string& part = {});

// Reports through ReportErrorAt without a position (line and column -1).
void ReportAt(IData* data, Id id, const std::string& part = {});
// Reports through ReportError.
void Report(IData* data, Id id, const std::string& part = {});

}  // namespace data_msg
