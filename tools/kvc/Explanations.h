// Explanations: what every error code kvc can show means, with a wrong recipe (or bundle table)
// of the example bundle and its fix; `kvc explain` and docs/errors.md are rendered from them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv::kvc {

// Where the examples run, relative to the source tree; the commands and paths the examples
// show name them so.
inline constexpr std::string_view kExampleBundle = "examples/braised-chicken/bundle";
inline constexpr std::string_view kExampleRecipe = "examples/braised-chicken/recipe.rcp";
// The recipe file of the recipe examples, in the folder the command runs in.
inline constexpr std::string_view kExampleRecipeName = "recipe.rcp";

// One catalog message of a code, and what it says in English.
struct MessageNote {
    std::string_view row;    // the catalog row's name, e.g. "ValueOutOfRange"
    std::string_view gloss;  // empty where the code's own meaning says it all
};

// One wrong input, what kvc says about it, and the input put right. A recipe example changes
// the recipe and compiles it against the example bundle; a bundle example replaces one table
// file of the example bundle and compiles the example recipe.
struct Example {
    std::string_view title = {};  // what goes wrong, a sentence without its full stop
    // The recipe's lines from line 3 on (ExampleRecipe adds the first two); empty for a bundle
    // example.
    std::string_view steps = {};
    // A bundle example: the table file relative to the bundle, its wrong text and its fix.
    std::string_view table = {};
    std::string_view wrongTable = {};
    // The first line kvc writes to standard error for the wrong input.
    std::string_view diagnostic = {};
    // Where kvc refuses the file before its parser sees it: kvc's line instead (diagnostic is
    // then what the parser reports to a host that hands it the text).
    std::string_view refusal = {};
    std::string_view fix = {};  // how to put it right, the fixed input follows
    std::string_view fixedSteps = {};
    std::string_view fixedTable = {};
};

struct Explanation {
    int code;
    std::string_view title;
    std::string_view meaning;           // what the code means and why, one paragraph
    std::vector<MessageNote> messages;  // every message of the code, each once
    std::vector<Example> examples;
};

// Every explanation, in ascending order of code.
std::span<const Explanation> Explanations();

// The explanation of code, or null.
const Explanation* FindExplanation(int code);

// The whole recipe of a recipe example: two comment lines, then steps (or fixedSteps).
std::string ExampleRecipe(std::string_view steps);

}  // namespace kv::kvc
