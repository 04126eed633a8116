// BundleOutputs: what a compile leaves in the output directory, laid out like the bundle.
#pragma once

#include <filesystem>
#include <vector>

#include "host/AtomicWrite.h"
#include "host/BundleData.h"
#include "host/HostError.h"

namespace kv::host {

// The files for everything the library stored: each SetData value as
// outDir/<group>/<key>.bin (bytes) or .txt (text), and each row it rewrote with SetString at
// its place in the bundle layout (outDir/<database>/<table>.json or
// outDir/<database>/<table>/<row>.json). Fails for a group or key that is not a plain file
// name, so that no name can reach outside outDir.
HostResult<std::vector<OutputFile>> CollectBundleOutputs(const BundleData& data,
                                                         const std::filesystem::path& outDir);

// True for a name usable as one path component on every platform we build for.
bool IsPlainFileName(const std::string& name);

}  // namespace kv::host
