// ExplainCommand: renders the explanations, quoting each message from its subsystem's catalog.
#include "tools/kvc/ExplainCommand.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "analyzer/AnalyzerMessages.h"
#include "arbor/SyntaxMessages.h"
#include "checkers/CheckerMessages.h"
#include "data/DataMessages.h"
#include "host/CaretLine.h"
#include "host/HostText.h"
#include "tools/kvc/KvcMessages.h"
#include "vm/VmMessages.h"

namespace kv::kvc {
namespace {

// The catalogs whose numbered rows the explanations quote.
const std::array<std::span<const kv::diag::Row>, 5> kCatalogs = {
    kv::diag::checker::kRows, kv::diag::analyzer::kRows, kv::diag::data::kRows,
    kv::diag::vm::kRows,      kv::diag::syntax::kRows,
};

// Paragraphs are wrapped to this many terminal columns.
constexpr std::size_t kWidth = 100;

// The message of code named row, as UTF-8 (the catalogs hold the host's encoding); empty when
// there is none.
std::string MessageText(int code, std::string_view row) {
    for (const std::span<const kv::diag::Row> rows : kCatalogs) {
        for (const kv::diag::Row& candidate : rows) {
            if (candidate.code == code && candidate.name == row) {
                return kv::host::FromHostText(std::string_view(candidate.format));
            }
        }
    }
    return {};
}

// How many terminal columns a word takes: CJK characters, three or four UTF-8 bytes, take two.
std::size_t DisplayWidth(std::string_view word) {
    std::size_t width = 0;
    for (const char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 || (byte >= 0xC0 && byte < 0xE0)) {
            ++width;
        } else if (byte >= 0xE0) {
            width += 2;
        }
    }
    return width;
}

// Where the word at pos ends: at the next space outside a `code span`, which stays whole.
std::size_t WordEnd(std::string_view text, std::size_t pos) {
    bool inCode = false;
    for (; pos < text.size(); ++pos) {
        if (text[pos] == '`') inCode = !inCode;
        if (text[pos] == ' ' && !inCode) break;
    }
    return pos;
}

// text's words in lines of at most kWidth columns (a longer word stands alone), the first
// line after first, every later one after indent.
std::string Wrap(std::string_view text, std::string_view first = "", std::string_view indent = "") {
    std::string out(first);
    std::size_t column = DisplayWidth(first);
    bool lineEmpty = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = WordEnd(text, pos);
        const std::string_view word = text.substr(pos, end - pos);
        pos = end + 1;
        if (word.empty()) continue;
        const std::size_t width = DisplayWidth(word);
        if (!lineEmpty && column + 1 + width > kWidth) {
            out += '\n';
            out += indent;
            column = DisplayWidth(indent);
            lineEmpty = true;
        }
        if (!lineEmpty) {
            out += ' ';
            ++column;
        }
        out += word;
        column += width;
        lineEmpty = false;
    }
    return out + '\n';
}

// A fenced block of text, each line as a terminal may show it (a NUL as \u0000, a byte that
// is not UTF-8 as \xNN).
std::string Block(std::string_view language, std::string_view text) {
    std::string out = "```" + std::string(language) + "\n";
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        out += kv::host::TerminalText(text.substr(pos, end - pos)) + "\n";
        pos = end + 1;
    }
    return out + "```\n";
}

std::string Code(std::string_view text) { return "`" + std::string(text) + "`"; }

std::string ExampleMarkdown(const Example& example) {
    const std::string bundle(kExampleBundle);
    const bool bundleExample = example.steps.empty();
    const std::string command = "kvc compile " + bundle + " " +
                                std::string(bundleExample ? kExampleRecipe : kExampleRecipeName) +
                                " -o out";
    std::string out = "### Example: " + std::string(example.title) + "\n\n";
    if (bundleExample) {
        out += Code(bundle + "/" + std::string(example.table)) + ":\n\n";
        out += Block("json", example.wrongTable);
    } else {
        out += Code(kExampleRecipeName) + ":\n\n";
        out += Block("text", ExampleRecipe(example.steps));
    }
    out += "\n";
    if (!example.refusal.empty()) {
        out += Code(command) + " refuses the file before parsing it:\n\n";
        out += Block("text", example.refusal);
        out += "\nA host that hands the text to the parser gets:\n\n";
    } else {
        out += Code(command) + " reports:\n\n";
    }
    out += Block("text", example.diagnostic);
    out += "\n" + Wrap(example.fix) + "\n";
    out += bundleExample ? Block("json", example.fixedTable)
                         : Block("text", ExampleRecipe(example.fixedSteps));
    return out;
}

}  // namespace

std::string ExplanationMarkdown(const Explanation& explanation) {
    std::string out = "## " + std::to_string(explanation.code) + ": " +
                      std::string(explanation.title) + "\n\n" + Wrap(explanation.meaning) + "\n";
    out += explanation.messages.size() == 1 ? "Message:\n\n" : "Messages:\n\n";
    for (const MessageNote& note : explanation.messages) {
        std::string item = Code(MessageText(explanation.code, note.row));
        if (!note.gloss.empty()) item += ": " + std::string(note.gloss);
        out += Wrap(item, "- ", "  ");
    }
    for (const Example& example : explanation.examples) out += "\n" + ExampleMarkdown(example);
    return out;
}

std::string ErrorIndexMarkdown() {
    std::string out =
        "# Error codes\n"
        "\n"
        "<!-- Generated from tools/kvc/Explanations.cpp by `kvc explain --markdown`; a test "
        "fails when\n"
        "     this file differs. Regenerate: build/debug/bin/kvc explain --markdown > "
        "docs/errors.md -->\n"
        "\n";
    out += Wrap(
        "Every error that kvc reports carries a code, as in `recipe.rcp:3:14: error[1003]: …`. "
        "The codes below 9000 are the analyzer library's, the codes from 9001 on the recipe "
        "parser's. `kvc explain CODE` prints the section of one code, `kvc explain --list` "
        "lists every code with its title. kvc's own failures (a file it cannot read, a folder "
        "that is not a bundle) carry no code: they read `kvc: error: …`, and kvc exits with "
        "status 2.");
    out += "\n";
    out += Wrap(
        "A recipe with a syntax error is not analysed; each of its lines reports its first "
        "fault. The analyzer checks no further call arguments once it has reported an error, "
        "so the first error is the one to fix first.");
    out += "\n";
    out += Wrap(
        "Each message is quoted as the library writes it; %0, %1 and %2 stand for the names "
        "and values it fills in. The examples compile against the example bundle "
        "`examples/braised-chicken/bundle`, whose table `logicTaskRelated` gives lines 3 to 5 "
        "of a recipe to task `t1`: each example recipe starts with two comment lines.");
    out += "\n| Code | Title |\n|---:|---|\n";
    for (const Explanation& explanation : Explanations()) {
        out += "| " + std::to_string(explanation.code) + " | " + std::string(explanation.title) +
               " |\n";
    }
    for (const Explanation& explanation : Explanations()) {
        out += "\n" + ExplanationMarkdown(explanation);
    }
    return out;
}

int RunExplain(const ExplainOptions& options, std::ostream& out, std::ostream& err) {
    if (options.markdown) {
        out << ErrorIndexMarkdown();
    } else if (options.list) {
        for (const Explanation& explanation : Explanations()) {
            out << explanation.code << "  " << explanation.title << '\n';
        }
    } else {
        const std::string& code = options.code;
        // Digits only: "+1003" or " 1003" name no code as kvc shows them.
        const bool digits = !code.empty() && code.size() <= 9 &&
                            code.find_first_not_of("0123456789") == std::string::npos;
        const Explanation* explanation = digits ? FindExplanation(std::stoi(code)) : nullptr;
        if (explanation == nullptr) {
            ShowError(err, kv::diag::Text(kv::diag::kvc::UnknownErrorCode, code));
            return kv::diag::kvc::UnknownErrorCode.code;
        }
        out << ExplanationMarkdown(*explanation);
    }
    if (!out.flush()) {
        ShowError(err, kv::diag::kvc::StdoutFailed.format);
        return kv::diag::kvc::StdoutFailed.code;
    }
    return 0;
}

}  // namespace kv::kvc
