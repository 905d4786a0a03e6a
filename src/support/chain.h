// Keyed chain lists: the container behind the item store. Keys stay unique and in ascending
// signed order; every data block belongs to the list and is freed with M_FREE.
#pragma once

#include <cstddef>
#include <cstdint>

struct ChainLink {
    std::int32_t key;  // -1 in the head link
    void* data;        // allocated with M_ALLOC, owned by the list
    ChainLink* next;
};

// Running out of memory for a link throws std::bad_alloc; only the program's top level turns
// it into the fatal "EXIT: Out of memory".
ChainLink* C_ALLOC();
// The owner finds the neighbour (the store keeps an index over its list) and keeps the keys in
// order: links a new block right after `before`, or unlinks and frees the one after it.
ChainLink* C_LINKAFTER(ChainLink* before, std::int32_t key, void* data);
void C_UNLINKAFTER(ChainLink* before);
ChainLink* C_NEXT(const ChainLink* link);
void C_CLEAR(ChainLink* list);
void C_FREE(ChainLink* list);
