// ExplainCommand: `kvc explain CODE | --list | --markdown`, the explanations as Markdown.
#pragma once

#include <ostream>
#include <string>

#include "tools/kvc/Explanations.h"

namespace kv::kvc {

struct ExplainOptions {
    std::string code;       // the code to explain, as typed
    bool list = false;      // list every code with its title instead
    bool markdown = false;  // print the whole error index (docs/errors.md) instead
};

// The section of one code: its title, meaning, messages and examples, paragraphs wrapped.
std::string ExplanationMarkdown(const Explanation& explanation);

// The whole error index: an introduction, a table of every code, and every code's section.
// docs/errors.md is this text.
std::string ErrorIndexMarkdown();

// Prints what options ask for on out. Returns 0, or 2 (with a message on err) for a code that
// has no explanation.
int RunExplain(const ExplainOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kv::kvc
