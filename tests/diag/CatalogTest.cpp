// Every message table of the project at once: what a row must be, and that a call fills it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "analyzer/AnalyzerMessages.h"
#include "arbor/SyntaxMessages.h"
#include "checkers/CheckerMessages.h"
#include "data/DataMessages.h"
#include "host/HostMessages.h"
#include "host/NoteMessages.h"
#include "support/TestHost.h"
#include "tools/kvc/KvcMessages.h"
#include "tools/kvc/lsp/LspMessages.h"
#include "utilo/GbkCodec.h"
#include "vm/VmMessages.h"

namespace {

using kv::diag::Row;

struct Table {
    const char* folder;  // where the subsystem's sources are, relative to the source tree
    std::span<const Row> rows;
    std::set<int> codes;      // the library's error codes (0: a listing text), or kvc exit statuses
    bool errorsAtErrorLevel;  // the library reports every numbered error at one level
    bool hostEncoded;         // held in the host's encoding: GBK in the Windows build
};

const std::set<int> kLibraryCodes = {0, 1001, 1002, 1003, 1004, 2001, 2002, 2003};

std::vector<Table> Tables() {
    std::set<int> syntaxCodes = {0};
    for (int code = 9001; code <= 9099; ++code) syntaxCodes.insert(code);
    return {
        {"analyzer", kv::diag::analyzer::kRows, kLibraryCodes, true, true},
        {"arbor", kv::diag::syntax::kRows, syntaxCodes, true, true},
        {"checkers", kv::diag::checker::kRows, kLibraryCodes, true, true},
        {"data", kv::diag::data::kRows, kLibraryCodes, true, true},
        {"vm", kv::diag::vm::kRows, kLibraryCodes, true, true},
        {"host", kv::diag::host::kRows, {0, 1, 2}, false, false},
        // Notes are no errors of their own.
        {"host", kv::diag::note::kRows, {0}, false, false},
        {"tools/kvc", kv::diag::kvc::kRows, {0, 1, 2}, false, false},
        // The language server's: 0, or the JSON-RPC error code a text answers with.
        {"tools/kvc/lsp",
         kv::diag::lsp::kRows,
         {0, -32700, -32600, -32601, -32602, -32603, -32002},
         false,
         false},
    };
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80                    ? 1
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

// Well-formed in the encoding the table is held in.
bool IsWellFormed(std::string_view text, bool hostEncoded) {
#ifdef _WIN32
    if (hostEncoded) return kv::gbk::ToUtf8(text).Ok();
#else
    (void)hostEncoded;
#endif
    return IsValidUtf8(text);
}

// Every source and header text of folder, the tables themselves left out.
std::string SourcesOf(const std::string& folder) {
    std::string all;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             std::filesystem::path(KV_SOURCE_DIR) / folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".cpp" && extension != ".h") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        all.append(std::istreambuf_iterator<char>(in), {});
    }
    return all;
}

TEST(Catalogs, EveryRowIsAWholeWellFormedSentenceWithAKnownCodeItsLevelAndDenseSlots) {
    for (const Table& table : Tables()) {
        std::set<std::string> names;
        for (const Row& row : table.rows) {
            const std::string where = std::string(table.folder) + ": " + row.name;
            EXPECT_TRUE(names.insert(row.name).second) << where << " is defined twice";
            EXPECT_EQ(table.codes.count(row.code), 1u) << where << " has code " << row.code;
            if (row.code != 0 && table.errorsAtErrorLevel) {
                EXPECT_EQ(row.level, kv::diag::kError) << where;
            }
            const std::string text = row.format;
            EXPECT_FALSE(text.empty()) << where;
            EXPECT_TRUE(IsWellFormed(text, table.hostEncoded)) << where;
            for (int slot = 0; slot < row.slots; ++slot) {
                EXPECT_NE(text.find("%" + std::to_string(slot)), std::string::npos)
                    << where << " skips slot " << slot;
            }
        }
    }
}

TEST(Catalogs, EveryRowIsUsedByItsSubsystem) {
    for (const Table& table : Tables()) {
        const std::string sources = SourcesOf(table.folder);
        for (const Row& row : table.rows) {
            const std::string name = row.name;
            bool used = false;
            for (std::size_t at = sources.find(name); at != std::string::npos && !used;
                 at = sources.find(name, at + 1)) {
                const std::size_t end = at + name.size();
                const auto isWordByte = [](char c) {
                    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                };
                used = (at == 0 || !isWordByte(sources[at - 1])) &&
                       (end == sources.size() || !isWordByte(sources[end]));
            }
            EXPECT_TRUE(used) << table.folder << ": " << name << " is never reported";
        }
    }
}

TEST(Catalogs, SlotsAreFilledInTheirOrderAndAPercentSignSurvives) {
    constexpr kv::diag::Message<kv::diag::SlotCount("%1<%0>%1 100%% %x")> message{
        "M", 1003, kv::diag::kError, "%1<%0>%1 100%% %x"};
    EXPECT_EQ(kv::diag::Text(message, "a", "b"), "b<a>b 100% %x");
    constexpr kv::diag::Message<kv::diag::SlotCount("%0 50%")> trailing{"M", 1003, kv::diag::kError,
                                                                        "%0 50%"};
    EXPECT_EQ(kv::diag::Text(trailing, "a"), "a 50%");
    EXPECT_EQ(kv::test::Utf8(kv::diag::Text(kv::diag::checker::VarNotString, "oven.mode", "%0")),
              "变量<oven.mode>的值<%0>不是字符串类型");
}

TEST(Catalogs, APositionChoosesTheSinkCallAndAHostWithoutASinkIsLeftAlone) {
    kv::test::TestData host;
    using namespace kv::diag;
    Report(&host, checker::FunBsTypeMissing, Nowhere(), "t");
    Report(&host, data::ScopeBoundsReversed, NoLine());
    Report(&host, checker::FunDescMissing, AtWithData(2, 5), "f");
    EXPECT_EQ(
        kv::test::TakeErrorLines(host.log),
        (std::vector<std::string>{
            "ReportError 2002 业务类型名称<t>在业务类型表中找不到!",
            "ReportErrorAt 2002 -1:-1 餐饮输入数据错误：参数范围有误",
            "ReportErrorAtWithData 2002 2:5 函数参数值描述表中没有找到函数--<f>对应的函数值描述"}));
    Report(nullptr, data::ScopeBoundsReversed, NoLine());
}

}  // namespace
