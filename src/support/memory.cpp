// Heap blocks.
#include "support/memory.h"

#include <cstdlib>

void* M_ALLOC(std::size_t size)
{
    return std::malloc(size);
}

void M_FREE(void* block)
{
    std::free(block);
}

