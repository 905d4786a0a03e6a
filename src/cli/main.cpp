// kobacli entry point.
#include <iostream>
#include <new>

#include "cli/cli.h"
#include "support/pending_file.h"

int main(int argc, char** argv)
{
    RemovePendingFileOnSignals();
    try {
        return RunKobaCli(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "QUIT!: EXIT: Out of memory\n";
        return 1;
    }
}
