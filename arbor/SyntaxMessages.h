// SyntaxMessages: the recipe parser's error catalog (from SyntaxMessages.def) and how each
// message text is built from it.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace syntax_text {
#define KV_TEXT(id, text) inline constexpr const char* id = text;
#define KV_MSG(id, code, text)
#include "arbor/SyntaxMessages.def"
#undef KV_MSG
#undef KV_TEXT
}  // namespace syntax_text

enum class SyntaxMessage {
#define KV_TEXT(id, text)
#define KV_MSG(id, code, text) id,
#include "arbor/SyntaxMessages.def"
#undef KV_MSG
#undef KV_TEXT
};

// One row of the catalog: the error, its code (9001-9099) and what the parser expected.
struct SyntaxMessageEntry {
    SyntaxMessage id;
    int code;
    const char* expected;
};

// Every row of the catalog, in catalog order.
std::span<const SyntaxMessageEntry> SyntaxMessageCatalog();

// The code of message.
int SyntaxMessageCode(SyntaxMessage message);

// "语法错误：应为<" + what message expected + ">，实际为<" + found + ">".
std::string FormatSyntaxMessage(SyntaxMessage message, std::string_view found);
