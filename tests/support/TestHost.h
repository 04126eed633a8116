// TestHost: the reference host's data store filled in memory, with its log sink, for tests that
// call the library directly; and the ways tests read what the sink recorded.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "arbor/RecipeParser.h"
#include "host/BundleData.h"
#include "host/DiagnosticOutput.h"
#include "host/LogSink.h"
#include "support/HostEncoding.h"

namespace kv::test {

class TestData : public kv::host::BundleData {
public:
    TestData() { SetLanguageDebug(&log); }
    TestData(const TestData&) = delete;
    TestData& operator=(const TestData&) = delete;

    // What the sink showed, as kvc would print it (every diagnostic, without a limit).
    std::ostringstream listing;
    std::ostringstream diagnostics;
    kv::host::DiagnosticOutput output{diagnostics, {.maxErrors = 0, .sarif = {}}};
    kv::host::LogSink log{listing, output, nullptr, "bundle"};
};

// A recipe written in UTF-8, as test sources are, parsed as the host's parser reads it (in GBK
// in the Windows build).
inline ParsedRecipe ParseUtf8Recipe(std::string_view recipe) { return ParseRecipe(Host(recipe)); }

// The calls of log that report an error, in order.
inline std::vector<kv::host::LogCall> Errors(const kv::host::LogSink& log) {
    std::vector<kv::host::LogCall> errors;
    for (const kv::host::LogCall& call : log.Calls()) {
        if (call.IsError()) errors.push_back(call);
    }
    return errors;
}

// The name of a call's operation, as text.
inline std::string OpName(const kv::host::LogCall& call) { return kv::host::LogOpName(call.op); }

// Each error as "op code line:column text" ("op code text" for ReportError, which has no
// position), with " level N" when the level is not 3, the level of every error of this system;
// then forgets every call and the error state.
inline std::vector<std::string> TakeErrorLines(kv::host::LogSink& log) {
    std::vector<std::string> lines;
    for (const kv::host::LogCall& call : Errors(log)) {
        std::string line = OpName(call) + " " + std::to_string(call.code) + " ";
        if (call.op != kv::host::LogOp::ReportError) {
            line += std::to_string(call.line) + ":" + std::to_string(call.column) + " ";
        }
        line += call.text;
        if (call.level != 3) line += " level " + std::to_string(call.level);
        lines.push_back(std::move(line));
    }
    log.Forget();
    return lines;
}

}  // namespace kv::test
