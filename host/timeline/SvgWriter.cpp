// SvgWriter: escaping, number text and the element layout of the documents.
#include "host/timeline/SvgWriter.h"

#include <charconv>

#include "arbor/TextEncoding.h"

namespace kv::timeline {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
// The two noncharacters at the end of the Basic Multilingual Plane, which XML excludes.
constexpr std::string_view kFffe = "\xEF\xBF\xBE";
constexpr std::string_view kFfff = "\xEF\xBF\xBF";

}  // namespace

std::string EscapeXml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = WellFormedCharLength(text, pos, RecipeEncoding::Utf8);
        if (length == 0) {
            escaped += kReplacement;
            ++pos;
            continue;
        }
        const std::string_view character = text.substr(pos, length);
        pos += length;
        if (character == kFffe || character == kFfff) {
            escaped += kReplacement;
            continue;
        }
        if (length > 1) {
            escaped += character;
            continue;
        }
        const char c = character.front();
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\t':
            case '\n':
                escaped += c;
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    escaped += kReplacement;
                } else {
                    escaped += c;
                }
        }
    }
    return escaped;
}

std::string DecimalText(long long value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

SvgWriter::SvgWriter(Attributes attributes) {
    out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"";
    AppendAttributes(attributes);
    out_ += ">\n";
    open_.emplace_back("svg");
}

void SvgWriter::StartTag(std::string_view element, Attributes attributes) {
    out_.append(2 * open_.size(), ' ');
    out_ += '<';
    out_ += element;
    AppendAttributes(attributes);
}

void SvgWriter::AppendAttributes(Attributes attributes) {
    for (const SvgAttribute& attribute : attributes) {
        out_ += ' ';
        out_ += attribute.name;
        out_ += "=\"";
        out_ += EscapeXml(attribute.value);
        out_ += '"';
    }
}

void SvgWriter::Open(std::string_view element, Attributes attributes) {
    StartTag(element, attributes);
    out_ += ">\n";
    open_.emplace_back(element);
}

void SvgWriter::Close() {
    if (open_.empty()) return;
    const std::string element = std::move(open_.back());
    open_.pop_back();
    out_.append(2 * open_.size(), ' ');
    out_ += "</" + element + ">\n";
}

void SvgWriter::Empty(std::string_view element, Attributes attributes) {
    StartTag(element, attributes);
    out_ += "/>\n";
}

void SvgWriter::Text(std::string_view element, Attributes attributes, std::string_view text,
                     std::string_view title) {
    StartTag(element, attributes);
    out_ += '>';
    if (!title.empty()) out_ += "<title>" + EscapeXml(title) + "</title>";
    out_ += EscapeXml(text);
    out_ += "</";
    out_ += element;
    out_ += ">\n";
}

std::string SvgWriter::Finish() {
    while (!open_.empty()) Close();
    return std::move(out_);
}

}  // namespace kv::timeline
