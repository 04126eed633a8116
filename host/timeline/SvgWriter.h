// SvgWriter: the few parts of SVG a picture of ours needs, written the same on every platform:
// one element a line, indented by depth, every value escaped, whole numbers in plain decimal.
#pragma once

#include <concepts>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kv::timeline {

// text as XML character data or attribute value: &, <, > and " escaped, and what XML cannot
// hold (a byte that starts no UTF-8 character, a control character other than tab and line
// feed, U+FFFE, U+FFFF) replaced by U+FFFD.
std::string EscapeXml(std::string_view text);

// value in decimal, whatever the locale.
std::string DecimalText(long long value);

// An attribute: a name of ours and a value, given as text or as a whole number.
struct SvgAttribute {
    SvgAttribute(std::string_view attributeName, std::string_view text)
        : name(attributeName), value(text) {}
    SvgAttribute(std::string_view attributeName, const char* text)
        : name(attributeName), value(text) {}
    template <std::integral Number>
    SvgAttribute(std::string_view attributeName, Number number)
        : name(attributeName), value(DecimalText(static_cast<long long>(number))) {}

    std::string_view name;
    std::string value;  // unescaped
};

class SvgWriter {
public:
    using Attributes = std::initializer_list<SvgAttribute>;

    // Starts a document with the XML declaration and opens its svg element, which gets the
    // SVG namespace besides attributes.
    explicit SvgWriter(Attributes attributes);

    // <element attributes>, closed by the matching Close.
    void Open(std::string_view element, Attributes attributes = {});
    void Close();
    // <element attributes/>.
    void Empty(std::string_view element, Attributes attributes);
    // <element attributes>text</element> on one line; a title, when given, comes first inside
    // it: <element><title>title</title>text</element>.
    void Text(std::string_view element, Attributes attributes, std::string_view text,
              std::string_view title = {});
    // Closes every open element and returns the document, which ends with a line feed.
    std::string Finish();

private:
    void StartTag(std::string_view element, Attributes attributes);
    void AppendAttributes(Attributes attributes);

    std::string out_;
    std::vector<std::string> open_;
};

}  // namespace kv::timeline
