// bench_floor: the least work a compile of a bundle and recipe must do, to time kvc against.
//
//   bench_floor [--huge-pages] compile BUNDLE RECIPE -o OUTDIR
//
// It parses every JSON file of the bundle with RapidJSON, reads the recipe whole and scans it
// once (lines and tokens), writes a listing line per recipe line to standard output and the
// recipe lines to OUTDIR/program.rcp. No checks, no tree, no image: whatever kvc spends above
// this is the price of its analysis. Exit status as kvc's: 0 done, 2 the command could not run.
// --huge-pages sets its heap aside in huge pages as kvc does for a large recipe, so that the
// two can also be compared with the same memory layout.
#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/kvc/LargePages.h"

namespace fs = std::filesystem;

namespace {

constexpr int kCannotRun = 2;
// The listing prefix kvc gives every program line.
constexpr std::string_view kListingPrefix = "餐饮语义分析后:";

int Usage() {
    std::fputs("usage: bench_floor [--huge-pages] compile BUNDLE RECIPE -o OUTDIR\n", stderr);
    return kCannotRun;
}

bool ReadWhole(const fs::path& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = std::move(buffer).str();
    return !in.bad();
}

// Every .json file under the bundle, in path order so that a failure is always the same one.
std::vector<fs::path> JsonFiles(const fs::path& bundle) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(bundle)) {
        if (entry.is_regular_file() && entry.path().extension() == ".json") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Parses every file; counts the values of the documents so that the parse cannot be dropped.
bool ParseBundle(const fs::path& bundle, std::size_t& files, std::size_t& values) {
    std::string text;
    for (const fs::path& file : JsonFiles(bundle)) {
        if (!ReadWhole(file, text)) {
            std::fprintf(stderr, "%s: cannot read\n", file.string().c_str());
            return false;
        }
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        if (document.HasParseError()) {
            std::fprintf(stderr, "%s: %s at byte %zu\n", file.string().c_str(),
                         rapidjson::GetParseError_En(document.GetParseError()),
                         document.GetErrorOffset());
            return false;
        }
        ++files;
        values += document.IsObject()  ? document.MemberCount()
                  : document.IsArray() ? document.Size()
                                       : 1;
    }
    return true;
}

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == ',' || c == ';' || c == '(' || c == ')';
}

struct Scan {
    std::vector<std::string_view> lines;
    std::size_t tokens = 0;
};

// One pass: the lines (without their ends) and the runs of non-separator bytes.
Scan ScanRecipe(std::string_view text) {
    Scan scan;
    std::size_t start = 0;
    bool inToken = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            scan.lines.push_back(text.substr(start, i - start));
            start = i + 1;
            inToken = false;
            continue;
        }
        const bool separator = IsSeparator(c);
        if (!separator && !inToken) ++scan.tokens;
        inToken = !separator;
    }
    if (start < text.size()) scan.lines.push_back(text.substr(start));
    return scan;
}

bool WriteProgram(const fs::path& outdir, const std::vector<std::string_view>& lines) {
    std::error_code ec;
    fs::create_directories(outdir, ec);
    if (ec) return false;
    std::string program;
    for (std::string_view line : lines) {
        program.append(line);
        program += '\n';
    }
    std::ofstream out(outdir / "program.rcp", std::ios::binary | std::ios::trunc);
    out.write(program.data(), static_cast<std::streamsize>(program.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool hugePages = !args.empty() && args[0] == "--huge-pages";
    if (hugePages) args.erase(args.begin());
    if (args.size() != 5 || args[0] != "compile" || args[3] != "-o") return Usage();
    const fs::path bundle = args[1];
    const fs::path recipe = args[2];
    const fs::path outdir = args[4];
    if (hugePages) kv::kvc::PreferLargePages(recipe, bundle);

    std::size_t files = 0;
    std::size_t values = 0;
    std::error_code ec;
    if (!fs::is_directory(bundle, ec)) {
        std::fprintf(stderr, "%s: not a folder\n", bundle.string().c_str());
        return kCannotRun;
    }
    if (!ParseBundle(bundle, files, values)) return kCannotRun;

    std::string text;
    if (!ReadWhole(recipe, text)) {
        std::fprintf(stderr, "%s: cannot read\n", recipe.string().c_str());
        return kCannotRun;
    }
    const Scan scan = ScanRecipe(text);

    std::string listing;
    listing.reserve(text.size() + scan.lines.size() * (kListingPrefix.size() + 1) + 128);
    for (std::string_view line : scan.lines) {
        listing.append(kListingPrefix);
        listing.append(line);
        listing += '\n';
    }
    listing += "bench_floor: " + std::to_string(scan.lines.size()) + " lines, " +
               std::to_string(scan.tokens) + " tokens, " + std::to_string(files) + " JSON files, " +
               std::to_string(values) + " top-level values\n";
    std::fwrite(listing.data(), 1, listing.size(), stdout);
    if (std::fflush(stdout) != 0) return kCannotRun;

    if (!WriteProgram(outdir, scan.lines)) {
        std::fprintf(stderr, "%s: cannot write program.rcp\n", outdir.string().c_str());
        return kCannotRun;
    }
    return 0;
}
