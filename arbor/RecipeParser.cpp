// RecipeParser: splits recipe text into lines, screens each line's bytes, quotes and comment,
// and hands the rest to the block grammar.
#include "arbor/RecipeParser.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "arbor/BlockParser.h"
#include "arbor/SyntaxMessages.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

std::string HexByte(uint8_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

// Recipes are mostly ASCII, so each screening below steps over eight bytes at a time while none
// of them is one it looks for. Words are read with memcpy, so alignment does not matter.
constexpr uint64_t kOnes = 0x0101010101010101u;
constexpr uint64_t kHighBits = 0x8080808080808080u;

// The eight bytes of line at pos, or nothing when fewer are left.
std::optional<uint64_t> WordAt(std::string_view line, size_t pos) {
    if (line.size() - pos < sizeof(uint64_t)) return std::nullopt;
    uint64_t word = 0;
    std::memcpy(&word, line.data() + pos, sizeof word);
    return word;
}

// Whether word holds a zero byte, or a byte equal to value.
constexpr bool HasZeroByte(uint64_t word) { return ((word - kOnes) & ~word & kHighBits) != 0; }
constexpr bool HasByte(uint64_t word, unsigned char value) {
    return HasZeroByte(word ^ (kOnes * value));
}

// The length of the character at pos: an ASCII byte is one in both encodings, and recipes are
// mostly ASCII, so only other bytes ask the decoder.
size_t CharLengthAt(std::string_view line, size_t pos, RecipeEncoding encoding) {
    if (static_cast<unsigned char>(line[pos]) < 0x80) return 1;
    return WellFormedCharLength(line, pos, encoding);
}

// The first byte of line that is a NUL or does not start a well-formed character.
std::optional<LineFault> FindBadByte(std::string_view line, RecipeEncoding encoding) {
    size_t pos = 0;
    while (pos < line.size()) {
        if (const auto word = WordAt(line, pos);
            word && (*word & kHighBits) == 0 && !HasZeroByte(*word)) {
            pos += sizeof *word;
            continue;
        }
        if (line[pos] == '\0') {
            return LineFault{
                &kv::diag::syntax::NulCharacter, pos, kv::diag::syntax::NulByte.format, {}};
        }
        const size_t length = CharLengthAt(line, pos, encoding);
        if (length == 0) {
            const std::string found =
                kv::diag::Text(kv::diag::syntax::Byte, HexByte(static_cast<uint8_t>(line[pos])));
            return LineFault{&kv::diag::syntax::InvalidEncoding, pos, found, {}};
        }
        pos += length;
    }
    return std::nullopt;
}

// Cuts the comment off line ("//" outside quotes). A quote left open is a fault at that quote.
std::optional<LineFault> StripComment(std::string_view& line) {
    size_t openQuote = std::string_view::npos;
    for (size_t pos = 0; pos < line.size(); ++pos) {
        // A "//" across two words has its first slash in the first of them.
        if (const auto word = WordAt(line, pos);
            word && !HasByte(*word, '"') && !HasByte(*word, '/')) {
            pos += sizeof *word - 1;
            continue;
        }
        const char c = line[pos];
        if (c == '"') {
            openQuote = openQuote == std::string_view::npos ? pos : std::string_view::npos;
        } else if (openQuote == std::string_view::npos && c == '/' && pos + 1 < line.size() &&
                   line[pos + 1] == '/') {
            line = line.substr(0, pos);
            break;
        }
    }
    if (openQuote != std::string_view::npos) {
        return LineFault{&kv::diag::syntax::UnterminatedQuote,
                         openQuote,
                         kv::diag::syntax::EndOfLine.format,
                         {}};
    }
    return std::nullopt;
}

// A full-width form of the punctuation the grammar reads, as a Chinese input method types it.
struct FullWidth {
    std::string_view utf8;
    std::string_view gbk;
    std::string_view meant;
};

constexpr FullWidth kFullWidth[] = {
    {"\xEF\xBC\x9B", "\xA3\xBB", ";"},  // ；
    {"\xEF\xBC\x8C", "\xA3\xAC", ","},  // ，
    {"\xEF\xBC\x88", "\xA3\xA8", "("},  // （
    {"\xEF\xBC\x89", "\xA3\xA9", ")"},  // ）
    {"\xEF\xBC\x9D", "\xA3\xBD", "="},  // ＝
};

// The first full-width punctuation mark outside quotes in line, whose characters are known to
// be well-formed. Such a mark would otherwise read as part of a name and swallow what follows
// it into a value without a word of warning.
std::optional<LineFault> FindFullWidthPunctuation(std::string_view line, RecipeEncoding encoding) {
    bool quoted = false;
    for (size_t pos = 0; pos < line.size();) {
        if (const auto word = WordAt(line, pos);
            word && (*word & kHighBits) == 0 && !HasByte(*word, '"')) {
            pos += sizeof *word;
            continue;
        }
        const size_t length = CharLengthAt(line, pos, encoding);
        if (line[pos] == '"') quoted = !quoted;
        if (length > 1 && !quoted) {
            const std::string_view character = line.substr(pos, length);
            for (const FullWidth& mark : kFullWidth) {
                if (character != (encoding == RecipeEncoding::Gbk ? mark.gbk : mark.utf8)) {
                    continue;
                }
                const std::string found(character);
                return LineFault{
                    &kv::diag::syntax::FullWidthPunctuation, pos, found,
                    kv::diag::Text(kv::diag::syntax::FullWidthHint, found, mark.meant)};
            }
        }
        pos += length == 0 ? 1 : length;
    }
    return std::nullopt;
}

void AddError(const LineFault& fault, int lineNumber, ParsedRecipe& result) {
    SyntaxError error;
    error.line = lineNumber;
    error.column = ColumnOf(fault.pos);
    error.code = fault.message->code;
    error.message = kv::diag::Text(*fault.message, fault.found);
    error.note = fault.note;
    result.errors.push_back(std::move(error));
}

// seeBlock may be empty.
void ParseLine(std::string_view line, int lineNumber, RecipeEncoding encoding,
               BlockScratch& scratch, ParsedRecipe& result,
               const std::function<void(ISyntaxTreeNode*)>& seeBlock) {
    std::optional<LineFault> fault = FindBadByte(line, encoding);
    if (!fault) fault = StripComment(line);
    if (!fault) fault = FindFullWidthPunctuation(line, encoding);
    if (fault) {
        AddError(*fault, lineNumber, result);
        return;
    }
    if (IsBlank(line)) return;
    LineFault grammarFault;
    std::unique_ptr<ISyntaxTreeNode> block =
        ParseBlockLine(line, lineNumber, encoding, grammarFault, scratch);
    if (!block) {
        AddError(grammarFault, lineNumber, result);
        return;
    }
    // After the first error no block is handed out, so none is kept.
    if (!result.errors.empty()) return;
    result.blocks.push_back(std::move(block));
    if (seeBlock) seeBlock(result.blocks.back().get());
}

}  // namespace

ParsedRecipe ParseRecipe(const std::string& text) {
    return ParseRecipe(text, kPlatformRecipeEncoding);
}

ParsedRecipe ParseRecipe(const std::string& text, RecipeEncoding encoding) {
    return ParseRecipe(std::make_shared<const std::string>(text), encoding);
}

ParsedRecipe ParseRecipe(std::shared_ptr<const std::string> text, RecipeEncoding encoding) {
    return ParseRecipe(std::move(text), encoding, {});
}

ParsedRecipe ParseRecipe(std::shared_ptr<const std::string> text, RecipeEncoding encoding,
                         const std::function<void(ISyntaxTreeNode*)>& seeBlock) {
    ParsedRecipe result;
    if (text == nullptr) return result;
    std::string_view rest(*text);
    if (encoding == RecipeEncoding::Utf8 && rest.starts_with(kByteOrderMark)) {
        rest.remove_prefix(kByteOrderMark.size());
    }
    BlockScratch scratch;
    scratch.text = std::move(text);
    int lineNumber = 1;
    for (;;) {
        const size_t newline = rest.find('\n');
        std::string_view line = rest.substr(0, newline);
        if (line.ends_with('\r')) line.remove_suffix(1);
        ParseLine(line, lineNumber, encoding, scratch, result, seeBlock);
        if (newline == std::string_view::npos) break;
        rest.remove_prefix(newline + 1);
        if (lineNumber < INT_MAX) ++lineNumber;
    }
    if (!result.errors.empty()) result.blocks.clear();
    return result;
}
