// The plain driver of a harness for builds without libFuzzer: every file named on the command line,
// and every file below every folder named there (in name order), goes once through the harness. A
// crash or sanitizer report fails the run; otherwise it prints how many inputs it replayed.
#include "FuzzEnv.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        const fs::path named(argv[i]);
        if (fs::is_directory(named, ec)) {
            for (const auto &entry : fs::recursive_directory_iterator(named, ec))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else if (fs::is_regular_file(named, ec)) {
            inputs.push_back(named);
        } else if (!fs::exists(named, ec)) {
            continue; // a harness with no reproducers yet has no folder
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path &input : inputs) {
        std::printf("%s\n", input.c_str());
        std::fflush(stdout);
        const std::string bytes = FuzzEnv::ReadFile(input.string());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
