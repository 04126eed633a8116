// TextPositions: an open document's text with its line starts, and the conversion between the
// protocol's positions (line, character) and byte offsets of the UTF-8 text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kv::lsp {

// How a position's character counts: UTF-16 code units (the protocol's default) or UTF-8
// bytes, when the client offers them.
enum class PositionEncoding { Utf16, Utf8 };

// 0-based, as the protocol counts.
struct Position {
    int line = 0;
    int character = 0;
};

struct Range {
    Position start;
    Position end;
};

class DocumentText {
public:
    explicit DocumentText(std::string text = {});

    const std::string& Text() const { return text_; }
    int LineCount() const { return static_cast<int>(starts_.size()); }
    // Line n (0-based) without its line break (LF or CR LF); empty when out of range. The first
    // line starts after a UTF-8 byte-order mark, where the recipe parser starts counting.
    std::string_view Line(int n) const;
    // The byte offset in the text of the line's start.
    std::size_t LineStart(int n) const;

    // The byte in Line(line) where character starts; past the line's end, the line's length.
    std::size_t ByteInLine(int line, int character, PositionEncoding encoding) const;
    // The character of byte `byte` of Line(line).
    int CharacterOf(int line, std::size_t byte, PositionEncoding encoding) const;
    // The byte offset in the text of a position, clamped to the text.
    std::size_t Offset(Position position, PositionEncoding encoding) const;

    // Replaces the bytes [from, to) with text and indexes the lines again.
    void Replace(std::size_t from, std::size_t to, std::string_view text);

private:
    void IndexLines();

    std::string text_;
    std::vector<std::size_t> starts_;
};

// The bytes of the UTF-8 character that begins with lead (1 for a byte that starts none).
std::size_t Utf8Length(unsigned char lead);

}  // namespace kv::lsp
