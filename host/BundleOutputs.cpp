// BundleOutputs: maps stored values and rewritten rows onto output files.
#include "host/BundleOutputs.h"

#include "host/HostText.h"

namespace kv::host {
namespace msg = kv::diag::host;
namespace fs = std::filesystem;

namespace {

// Quoted so that an empty or odd name is still visible in the message.
std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name) {
        // Separators of either platform, the drive colon, and control characters.
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
    }
    return true;
}

HostResult<std::vector<OutputFile>> CollectBundleOutputs(const BundleData& data,
                                                         const fs::path& outDir) {
    std::vector<OutputFile> files;
    for (const auto& [group, values] : data.Stored()) {
        // Checked in UTF-8: a GBK trail byte may be a backslash.
        const std::string groupName = FromHostText(group);
        if (!IsPlainFileName(groupName)) {
            return MakeHostError(Quoted(groupName), msg::BadOutputName);
        }
        const fs::path folder = outDir / PathFromText(groupName);
        for (const auto& [key, value] : values) {
            const std::string keyName = FromHostText(key);
            if (!IsPlainFileName(keyName))
                return MakeHostError(Quoted(keyName), msg::BadOutputName);
            if (value->IsBytes()) {
                const std::vector<uint8_t>& bytes = value->GetBytes();
                files.push_back({folder / PathFromText(keyName + ".bin"),
                                 std::string(bytes.begin(), bytes.end())});
            } else {
                files.push_back(
                    {folder / PathFromText(keyName + ".txt"), FromHostText(value->GetText())});
            }
        }
    }
    // Row paths come from the bundle's own file names, so they are plain already. A row is
    // JSON, whose strings the library's writer escaped byte by byte: converted string by string.
    for (const RewrittenRow& row : data.RewrittenRows()) {
        files.push_back({outDir / row.relativePath, JsonFromHostText(*row.text)});
    }
    return files;
}

}  // namespace kv::host
