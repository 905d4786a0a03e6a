// Heap blocks and small buffer and text helpers.
#pragma once

#include <cstddef>
#include <cstdint>

void* M_ALLOC(std::size_t size);  // null when there is no memory; not zeroed
void* M_REALLOC(void* block, std::size_t size);
void M_FREE(void* block);
// Free physical memory plus free swap, in bytes, saturated at 32 bits.
std::uint32_t M_REPORTFREEMEMORY();
void M_SWAP(void* a, void* b, std::size_t count);
// Start of the line after the one `text` points into. CR LF, LF CR, LF LF and CR CR each count
// as one line end. Text that ends without a line end yields its terminating zero.
const char* M_SKIPLN(const char* text);
