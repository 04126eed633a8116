// ReplayMain: the main() of a fuzz target built without libFuzzer. It runs every file named on
// the command line (directories are walked, files in name order) through the target once, so
// CTest replays the checked-in corpus with any compiler.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

void CollectInputs(const fs::path& path, std::vector<fs::path>& inputs) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        std::vector<fs::path> found;
        for (const auto& entry : fs::recursive_directory_iterator(path, error)) {
            if (entry.is_regular_file(error)) found.push_back(entry.path());
        }
        std::sort(found.begin(), found.end());
        inputs.insert(inputs.end(), found.begin(), found.end());
    } else {
        inputs.push_back(path);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) CollectInputs(argv[i], inputs);
    // An empty corpus would pass without testing anything; a wrong path must show.
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 2;
    }
    for (const fs::path& input : inputs) {
        std::ifstream file(input, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "cannot read %s\n", input.string().c_str());
            return 2;
        }
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                      std::istreambuf_iterator<char>()};
        // Printed before the run, so that the input is named when the target aborts.
        std::printf("replaying %s (%zu bytes)\n", input.string().c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
