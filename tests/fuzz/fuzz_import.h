// One input through everything a file meets in KOBA: the import driver with the row's
// extension, every wavesample's copy routine, and every writer that takes an item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Imports `size` bytes as a file named "input.<extension>" ("*" rows: any extension no row
// has) in a scratch folder, copies every wavesample into a discarding sink and exports every
// item through every file writer that accepts its kind. Returns 0, as libFuzzer expects;
// faults show up as sanitizer reports, crashes, hangs or memory beyond the limits.
int FuzzImport(const std::string& extension, const std::uint8_t* data, std::size_t size);
