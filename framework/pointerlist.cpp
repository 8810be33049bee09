#include "pointerlist.h"

#include <new>

CPointerList::Node* CPointerList::Append(void* object) {
    Node* node = new (std::nothrow) Node{last, nullptr, object};
    if (node == nullptr) {
        return nullptr;
    }
    if (last != nullptr) {
        last->next = node;
    } else {
        first = node;
    }
    last = node;
    ++count;
    return node;
}

BOOL CPointerList::AppendAll(const CPointerList& other) {
    // Walk a snapshot of the tail so that appending a list to itself terminates.
    Node* end = other.last;
    for (Node* node = other.first; node != nullptr; node = node->next) {
        if (Append(node->object) == nullptr) {
            return FALSE;
        }
        if (node == end) {
            break;
        }
    }
    return TRUE;
}

CPointerList::Node* CPointerList::FindNode(const void* object) const {
    for (Node* node = first; node != nullptr; node = node->next) {
        if (node->object == object) {
            return node;
        }
    }
    return nullptr;
}

void CPointerList::Clear() {
    Node* node = first;
    while (node != nullptr) {
        Node* next = node->next;
        delete node;
        node = next;
    }
    first = last = nullptr;
    count = 0;
}
