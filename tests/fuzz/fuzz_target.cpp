// A libFuzzer target for one import row, named at build time.
#include <cstddef>
#include <cstdint>

#include "fuzz_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzImport(KOBA_FUZZ_ROW, data, size);
}
