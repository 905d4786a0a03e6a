// Replays stored inputs through the fuzz harness without libFuzzer. Each argument is a root
// folder (the corpus, the regressions) of one folder per import row, named after the row
// ("gen" for the raw-data row "*"). A file NAME.note beside an input says what it pinned
// and is not replayed. Any fault ends the run with a sanitizer report or a crash.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "fuzz_import.h"

int main(int argc, char** argv)
{
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& input : std::filesystem::recursive_directory_iterator(argv[i])) {
            if (!input.is_regular_file() || input.path().extension() == ".note") continue;
            const std::string row = input.path().parent_path().filename();
            std::ifstream in(input.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            FuzzImport(row == "gen" ? "*" : row, bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::cout << "replayed " << replayed << " inputs\n";
    return replayed > 0 ? 0 : 1;
}
