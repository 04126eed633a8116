// ParseAhead: parses a recipe on a thread of its own, so that the compile loads its bundle and
// has the analyzer read the tables meanwhile: the two take about as long, and a machine with a
// second core does them at once.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <thread>

#include "arbor/RecipeParser.h"

namespace kv::kvc {

class ParseAhead {
public:
    // Starts parsing text; where no thread can be started, Take parses it instead.
    explicit ParseAhead(std::shared_ptr<const std::string> text);
    ParseAhead(const ParseAhead&) = delete;
    ParseAhead& operator=(const ParseAhead&) = delete;
    // Waits for the parse, whose result nobody took.
    ~ParseAhead();

    // Waits for the parse and gives its result, or throws what the parse threw. Once only.
    ParsedRecipe Take();

private:
    void Wait();

    std::shared_ptr<const std::string> text_;
    ParsedRecipe parsed_;
    std::exception_ptr failure_;
    std::thread thread_;
    bool started_ = false;
};

}  // namespace kv::kvc
