// Heap blocks and small buffer and text helpers.
#include "support/memory.h"

#include <sys/sysinfo.h>

#include <algorithm>
#include <cstdlib>

void* M_ALLOC(std::size_t size)
{
    return std::malloc(size);
}

void* M_REALLOC(void* block, std::size_t size)
{
    return std::realloc(block, size);
}

void M_FREE(void* block)
{
    std::free(block);
}

std::uint32_t M_REPORTFREEMEMORY()
{
    struct sysinfo info {};
    if (sysinfo(&info) != 0) return 0;
    const std::uint64_t free = (std::uint64_t{info.freeram} + info.freeswap) * info.mem_unit;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(free, UINT32_MAX));
}

void M_SWAP(void* a, void* b, std::size_t count)
{
    std::swap_ranges(static_cast<unsigned char*>(a), static_cast<unsigned char*>(a) + count,
                     static_cast<unsigned char*>(b));
}

const char* M_SKIPLN(const char* text)
{
    auto isEnd = [](char c) { return c == '\r' || c == '\n'; };
    while (*text != '\0' && !isEnd(*text)) ++text;
    if (*text == '\0') return text;
    ++text;
    if (isEnd(*text)) ++text;
    return text;
}
