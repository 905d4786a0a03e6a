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

namespace fs = std::filesystem;

static std::size_t ReplayRow(const fs::path& folder)
{
    const std::string row = folder.filename() == "gen" ? "*" : folder.filename().string();
    std::size_t replayed = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".note") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        FuzzImport(row, bytes.data(), bytes.size());
        ++replayed;
    }
    return replayed;
}

int main(int argc, char** argv)
{
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        if (!fs::is_directory(argv[i])) continue;
        for (const auto& row : fs::directory_iterator(argv[i])) {
            if (row.is_directory()) replayed += ReplayRow(row.path());
        }
    }
    std::cout << "replayed " << replayed << " inputs\n";
    return replayed > 0 ? 0 : 1;
}
