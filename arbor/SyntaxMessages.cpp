// SyntaxMessages: looks the catalog up and assembles message texts from its fixed pieces.
#include "arbor/SyntaxMessages.h"

#include <array>

namespace {

constexpr std::array kCatalog = {
#define KV_TEXT(id, text)
#define KV_MSG(id, code, text) SyntaxMessageEntry{SyntaxMessage::id, code, text},
#include "arbor/SyntaxMessages.def"
#undef KV_MSG
#undef KV_TEXT
};

// The enumerators follow the catalog rows, so an id is its row's index.
const SyntaxMessageEntry& EntryOf(SyntaxMessage message) {
    return kCatalog[static_cast<size_t>(message)];
}

}  // namespace

std::span<const SyntaxMessageEntry> SyntaxMessageCatalog() { return kCatalog; }

int SyntaxMessageCode(SyntaxMessage message) { return EntryOf(message).code; }

std::string FormatSyntaxMessage(SyntaxMessage message, std::string_view found) {
    std::string text = syntax_text::Lead;
    text += EntryOf(message).expected;
    text += syntax_text::Between;
    text += found;
    text += syntax_text::Close;
    return text;
}
