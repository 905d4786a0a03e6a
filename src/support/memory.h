// Heap blocks.
#pragma once

#include <cstddef>
#include <cstdint>

void* M_ALLOC(std::size_t size);  // null when there is no memory; not zeroed
void M_FREE(void* block);
