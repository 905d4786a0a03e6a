// Keyed chain lists.
#include "support/chain.h"

#include <new>

#include "support/memory.h"

ChainLink* C_ALLOC()
{
    return new ChainLink{-1, nullptr, nullptr};
}

void C_STORE(void* data, std::int32_t key, ChainLink* list)
{
    ChainLink* before = list;
    for (ChainLink* link = list->next; link != nullptr; before = link, link = link->next) {
        if (link->key == key) {
            M_FREE(link->data);
            link->data = data;
            return;
        }
        if (link->key > key) break;
    }
    before->next = new ChainLink{key, data, before->next};
}

void* C_ASTORE(std::size_t size, std::int32_t key, ChainLink* list)
{
    void* data = M_ALLOC(size);
    if (data == nullptr) throw std::bad_alloc();
    try {
        C_STORE(data, key, list);
    } catch (...) {
        M_FREE(data);
        throw;
    }
    return data;
}

void* C_FETCH(std::int32_t key, const ChainLink* list)
{
    for (const ChainLink* link = list->next; link != nullptr; link = link->next) {
        if (link->key == key) return link->data;
    }
    return nullptr;
}

ChainLink* C_UNLINK(std::int32_t key, ChainLink* list)
{
    for (ChainLink* before = list; before->next != nullptr; before = before->next) {
        ChainLink* link = before->next;
        if (link->key != key) continue;
        before->next = link->next;
        M_FREE(link->data);
        delete link;
        return before;
    }
    return nullptr;
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

std::size_t C_LENGTH(const ChainLink* list)
{
    std::size_t count = 0;
    for (const ChainLink* link = list->next; link != nullptr; link = link->next) ++count;
    return count;
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
