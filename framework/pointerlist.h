#pragma once
// Ordered list of untyped object pointers; owns its nodes, not the objects.
#include <windows.h>

class CPointerList {
public:
    struct Node {
        Node* previous;
        Node* next;
        void* object;
    };

    CPointerList() = default;
    ~CPointerList() { Clear(); }
    CPointerList(const CPointerList&) = delete;
    CPointerList& operator=(const CPointerList&) = delete;

    Node* Append(void* object);
    BOOL AppendAll(const CPointerList& other);
    Node* FindNode(const void* object) const;
    void Clear();

    Node* First() const { return first; }
    Node* Last() const { return last; }
    int Count() const { return count; }

private:
    Node* first = nullptr;
    Node* last = nullptr;
    int count = 0;
};
