// AnalyzerFuzzer: the whole library as the host drives it, over host data and a recipe taken
// from the input. Nothing may crash, leak, hang or throw; an exception caught at the library's
// boundary counts as a failure too, and what the library stores must be well formed.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ISemanticAnalyzer.h"
#include "KvConst.h"
#include "arbor/Arbor.h"
#include "arbor/RecipeParser.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzHost.h"
#include "host/ImageReader.h"
#include "host/RecipeDrive.h"
#include "utilo/JsonBase.h"

namespace {

using kv::fuzz::Printable;

// The text that starts the analyzer's own report of a caught exception.
constexpr std::string_view kInternalFailure = "语义分析内部错误：";

void Drive(kv::fuzz::FuzzHost& host, ISyntaxTreeVisitor& visitor,
           const std::vector<ISyntaxTreeNode*>& blocks) {
    KV_FUZZ_CHECK(kv::host::DriveAnalyzer(host, visitor, blocks), "no analyzer");
    // The trees stay the host's: every block must still walk and render.
    for (ISyntaxTreeNode* block : blocks) {
        for (ISyntaxTreeNode* node : visitor.CollectNodes(block)) {
            KV_FUZZ_CHECK(node->GetRoot() == block, "");
        }
        visitor.ToText(block);
    }
}

void CheckLog(const kv::host::LogSink& log) {
    for (const kv::host::LogCall& call : log.Calls()) {
        KV_FUZZ_CHECK(std::string_view(call.text).substr(0, kInternalFailure.size()) != kInternalFailure,
                      "an exception reached the boundary: " + call.text);
        if (kv::test::OpName(call).rfind("Report", 0) == 0) {
            KV_FUZZ_CHECK(
                call.level == 3 && call.code != 0 && !call.text.empty(),
                kv::test::OpName(call) + " " + std::to_string(call.code) + " " + call.text);
        }
    }
}

void CheckStored(kv::fuzz::FuzzHost& host) {
    const auto group = host.Stored().find(KvConst::AppParameterDataVm);
    KV_FUZZ_CHECK(group != host.Stored().end(), "nothing stored");
    const auto version = group->second.find(KvConst::RecipeVersion);
    KV_FUZZ_CHECK(version != group->second.end() && version->second != nullptr, "no recipe version");
    const std::string& text = version->second->GetText();
    KV_FUZZ_CHECK(text.size() >= 2 && text.front() == '"' && text.back() == '"', Printable(text));

    const auto image = group->second.find("binBytes");
    if (image != group->second.end()) {
        KV_FUZZ_CHECK(image->second != nullptr && image->second->IsBytes(), "");
        const std::vector<uint8_t>& bytes = image->second->GetBytes();
        const auto decoded =
            kv::host::DecodeImage(std::string(bytes.begin(), bytes.end()), "image");
        KV_FUZZ_CHECK(decoded.Ok(), decoded.Ok() ? "" : decoded.Error().Describe());
    }
}

// A row the library rewrote holds JSON.
void CheckWrittenRows(kv::fuzz::FuzzHost& host) {
    for (const auto& row : host.Rows()) {
        const std::string now = row.table->RowText(row.key);
        if (now == row.text) continue;
        KV_FUZZ_CHECK(Brisk::RapidJsonHelper::JsonBase::FromJson(nullptr, now),
                      "row " + row.key + " rewritten as " + Printable(now));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    kv::fuzz::FuzzHost host(std::string_view(reinterpret_cast<const char*>(bytes), size));
    ParsedRecipe parsed = ParseRecipe(host.Recipe());
    std::unique_ptr<ISyntaxTreeVisitor> visitor(newSyntaxTreeVistor(&host));
    // A recipe with syntax errors is not analysed; the library still runs over the data alone.
    std::vector<ISyntaxTreeNode*> blocks;
    for (const auto& block : parsed.blocks) blocks.push_back(block.get());

    Drive(host, *visitor, blocks);

    CheckLog(host.log);
    CheckStored(host);
    CheckWrittenRows(host);
    return 0;
}
