// LspJson: UTF-8 repair, URIs and parameter access.
#include "tools/kvc/lsp/LspJson.h"

#include <cstdio>

#include "host/HostText.h"

namespace kv::lsp {

std::string ValidUtf8(std::string_view text) {
    std::string valid;
    valid.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = Utf8Length(lead);
        if (length == 1 && lead >= 0x80) length = 0;
        bool ok = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (ok && length >= 3) {
            // No overlong forms, no surrogates, nothing past U+10FFFF.
            const auto second = static_cast<unsigned char>(text[i + 1]);
            ok = !(lead == 0xE0 && second < 0xA0) && !(lead == 0xED && second >= 0xA0) &&
                 !(lead == 0xF0 && second < 0x90) && !(lead == 0xF4 && second >= 0x90);
        }
        if (ok) {
            valid.append(text.substr(i, length));
            i += length;
        } else {
            valid += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return valid;
}

void WriteText(JsonWriter& json, std::string_view text) {
    const std::string valid = ValidUtf8(text);
    json.String(valid.data(), static_cast<rapidjson::SizeType>(valid.size()));
}

void WritePosition(JsonWriter& json, Position position) {
    json.StartObject();
    json.Key("line");
    json.Int(position.line);
    json.Key("character");
    json.Int(position.character);
    json.EndObject();
}

void WriteRange(JsonWriter& json, Range range) {
    json.StartObject();
    json.Key("start");
    WritePosition(json, range.start);
    json.Key("end");
    WritePosition(json, range.end);
    json.EndObject();
}

std::string FileUri(const std::filesystem::path& path) {
    std::string text = kv::host::PathText(path);
#ifdef _WIN32
    for (char& c : text) c = c == '\\' ? '/' : c;
#endif
    std::string uri = "file://";
    if (!text.starts_with("/")) uri += '/';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            uri += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            uri += escaped;
        }
    }
    return uri;
}

std::optional<std::filesystem::path> PathOfUri(std::string_view uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.size() < kScheme.size()) return std::nullopt;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        const char c = uri[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kScheme[i]) {
            return std::nullopt;
        }
    }
    uri.remove_prefix(kScheme.size());
    // An authority (a host name) before the path is dropped; "localhost" is the usual one.
    const std::size_t slash = uri.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    uri.remove_prefix(slash);
    std::string text;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        const auto hex = [](char c) {
            return c >= '0' && c <= '9'   ? c - '0'
                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
        };
        if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
            text += static_cast<char>(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
            i += 2;
        } else {
            text += uri[i];
        }
    }
    // "/C:/x" names the Windows path "C:/x".
    if (text.size() >= 3 && text[0] == '/' && text[2] == ':') text.erase(0, 1);
    return kv::host::PathFromText(text);
}

const rapidjson::Value* Member(const rapidjson::Value& value,
                               std::initializer_list<const char*> path) {
    const rapidjson::Value* at = &value;
    for (const char* key : path) {
        if (!at->IsObject()) return nullptr;
        const auto member = at->FindMember(key);
        if (member == at->MemberEnd()) return nullptr;
        at = &member->value;
    }
    return at;
}

std::optional<std::string> TextAt(const rapidjson::Value& value,
                                  std::initializer_list<const char*> path) {
    const rapidjson::Value* at = Member(value, path);
    if (at == nullptr || !at->IsString()) return std::nullopt;
    return std::string(at->GetString(), at->GetStringLength());
}

std::optional<int> IntAt(const rapidjson::Value& value, std::initializer_list<const char*> path) {
    const rapidjson::Value* at = Member(value, path);
    if (at == nullptr || !at->IsInt()) return std::nullopt;
    return at->GetInt();
}

bool TrueAt(const rapidjson::Value& value, std::initializer_list<const char*> path) {
    const rapidjson::Value* at = Member(value, path);
    return at != nullptr && at->IsBool() && at->GetBool();
}

}  // namespace kv::lsp
