// JsonRpc: Content-Length framing over standard streams.
#include "tools/kvc/lsp/JsonRpc.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>

#include "tools/kvc/lsp/LspMessages.h"

namespace kv::lsp {
namespace msg = kv::diag::lsp;

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A length of decimal digits only, within the limit.
std::optional<std::size_t> ParseLength(std::string_view text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    std::size_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (value > kMaxBodySize) return std::nullopt;
    return value;
}

}  // namespace

Frame FrameReader::Next() {
    std::optional<std::size_t> length;
    std::string badLength;
    bool sawLength = false;
    bool sawHeader = false;
    std::string line;
    while (true) {
        if (!std::getline(in_, line)) return {};
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            // Blank lines between frames are tolerated; only a header ends with one.
            if (!sawHeader) continue;
            break;
        }
        sawHeader = true;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        if (Lower(Trim(std::string_view(line).substr(0, colon))) != "content-length") continue;
        sawLength = true;
        const std::string_view value = Trim(std::string_view(line).substr(colon + 1));
        length = ParseLength(value);
        if (!length) badLength = std::string(value);
    }
    if (!sawLength) return {Frame::Kind::Refused, {}, std::string(msg::FrameWithoutLength.format)};
    if (!length) {
        // The body's end cannot be known; what follows is read as the next header, which
        // either finds its way back to a frame or is refused in turn.
        return {Frame::Kind::Refused, {}, kv::diag::Text(msg::FrameBadLength, badLength)};
    }
    Frame frame{Frame::Kind::Body, std::string(*length, '\0'), {}};
    if (*length > 0 && !in_.read(frame.body.data(), static_cast<std::streamsize>(*length))) {
        return {};
    }
    return frame;
}

bool FrameWriter::Write(const std::string& body) {
    const std::lock_guard<std::mutex> lock(mutex_);
    out_ << "Content-Length: " << body.size() << "\r\n\r\n" << body;
    out_.flush();
    return static_cast<bool>(out_);
}

}  // namespace kv::lsp
