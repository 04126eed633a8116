// LspTestBundle: the example bundle (examples/braised-chicken), loaded once for the tests.
#pragma once

#include <filesystem>
#include <memory>

#include "tools/kvc/lsp/RecipeCheck.h"

namespace kv::test {

inline std::filesystem::path ExampleBundleDir() {
    return std::filesystem::path(KV_SOURCE_DIR) / "examples" / "braised-chicken" / "bundle";
}

inline const kv::lsp::LoadedBundle& ExampleBundle() {
    static const std::shared_ptr<const kv::lsp::LoadedBundle> bundle = [] {
        auto loaded = kv::lsp::LoadBundle(ExampleBundleDir());
        return loaded.Ok() ? loaded.Value() : nullptr;
    }();
    return *bundle;
}

}  // namespace kv::test
