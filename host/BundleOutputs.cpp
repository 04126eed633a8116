// BundleOutputs: maps stored values and rewritten rows onto output files.
#include "host/BundleOutputs.h"

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
        if (!IsPlainFileName(group)) return MakeHostError(Quoted(group), msg::BadOutputName);
        for (const auto& [key, value] : values) {
            if (!IsPlainFileName(key)) return MakeHostError(Quoted(key), msg::BadOutputName);
            if (value->IsBytes()) {
                const std::vector<uint8_t>& bytes = value->GetBytes();
                files.push_back(
                    {outDir / group / (key + ".bin"), std::string(bytes.begin(), bytes.end())});
            } else {
                files.push_back({outDir / group / (key + ".txt"), value->GetText()});
            }
        }
    }
    // Row paths come from the bundle's own file names, so they are plain already.
    for (const RewrittenRow& row : data.RewrittenRows()) {
        files.push_back({outDir / row.relativePath, *row.text});
    }
    return files;
}

}  // namespace kv::host
