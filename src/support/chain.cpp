// Keyed chain lists.
#include "support/chain.h"

#include "support/memory.h"

ChainLink* C_ALLOC()
{
    return new ChainLink{-1, nullptr, nullptr};
}

ChainLink* C_LINKAFTER(ChainLink* before, std::int32_t key, void* data)
{
    before->next = new ChainLink{key, data, before->next};
    return before->next;
}

void C_UNLINKAFTER(ChainLink* before)
{
    ChainLink* link = before->next;
    if (link == nullptr) return;
    before->next = link->next;
    M_FREE(link->data);
    delete link;
}

ChainLink* C_NEXT(const ChainLink* link)
{
    return link != nullptr ? link->next : nullptr;
}

void C_CLEAR(ChainLink* list)
{
    ChainLink* link = list->next;
    list->next = nullptr;
    while (link != nullptr) {
        ChainLink* next = link->next;
        M_FREE(link->data);
        delete link;
        link = next;
    }
}

void C_FREE(ChainLink* list)
{
    if (list == nullptr) return;
    C_CLEAR(list);
    delete list;
}
