// zList<T>: a doubly linked list of heap nodes that hold values.
//
// Values are copied or moved into the nodes. Clearing frees the nodes and so the
// values they hold: a list of pointers never frees the pointed-to objects, a list
// of zString frees the strings, a list of zSharedPtr releases its elements, a list
// of std::unique_ptr destroys them.
// Index access walks from the head. Not thread-safe.
#pragma once

#include <new>
#include <utility>

#include "core/types.h"

// Logs that a list node could not be allocated.
void LogListNodeAllocationFailure();

template <typename T> class zList {
  public:
    struct Node {
        T value;
        Node* previous;
        Node* next;
    };

    zList() : m_count(0), m_head(nullptr), m_tail(nullptr) {}
    virtual ~zList() { Clear(); }

    u32 GetCount() const { return m_count; }
    Node* GetHead() const { return m_head; }
    Node* GetTail() const { return m_tail; }

    // Unless duplicates are allowed, an existing node holding an equal value is
    // returned and nothing is added. Null when the node cannot be allocated.
    Node* Add(const T& value, bool atEnd = true, bool allowDuplicates = true) {
        if (!allowDuplicates) {
            if (Node* existing = Find(value)) return existing;
        }
        return atEnd ? InsertAfter(value, m_tail) : InsertBefore(value, m_head);
    }
    // Moves the value in (sole owners); when the node cannot be allocated the
    // value stays with the caller.
    Node* Add(T&& value, bool atEnd = true) {
        return Link(NewNode(std::move(value)), atEnd ? m_tail : nullptr);
    }

    // Null node: append at the end.
    Node* InsertAfter(const T& value, Node* node) { return Link(NewNode(value), node ? node : m_tail); }

    // Null node: insert at the front.
    Node* InsertBefore(const T& value, Node* node) {
        if (!node) node = m_head;
        return Link(NewNode(value), node ? node->previous : nullptr);
    }

    // The first node whose value equals.
    Node* Find(const T& value) const {
        for (Node* node = m_head; node; node = node->next) {
            if (node->value == value) return node;
        }
        return nullptr;
    }

    // Null when index is not below the count.
    Node* GetNodeAt(u32 index) const {
        if (index >= m_count) return nullptr;
        Node* node = m_head;
        for (; node && index > 0; --index)
            node = node->next;
        return node;
    }

    // A default value (null for pointers) when index is not below the count.
    T GetAt(u32 index) const {
        Node* node = GetNodeAt(index);
        return node ? node->value : T();
    }

    // Unlinks a node of this list and returns it; the caller deletes it.
    Node* RemoveNode(Node* node) {
        if (!node) return nullptr;
        if (node->previous) {
            node->previous->next = node->next;
        } else {
            m_head = node->next;
        }
        if (node->next) {
            node->next->previous = node->previous;
        } else {
            m_tail = node->previous;
        }
        node->previous = nullptr;
        node->next = nullptr;
        --m_count;
        return node;
    }

    // Unlinks and frees a node of this list and hands back its value: what the
    // value owns is released by the caller, once the list no longer holds it.
    T Take(Node* node) {
        T value = std::move(RemoveNode(node)->value);
        delete node;
        return value;
    }

    // Frees the first node holding an equal value; false when there is none.
    bool Remove(const T& value) {
        Node* node = Find(value);
        if (!node) return false;
        delete RemoveNode(node);
        return true;
    }

    void Clear() {
        Node* node = m_head;
        m_head = nullptr;
        m_tail = nullptr;
        m_count = 0;
        while (node) {
            Node* next = node->next;
            delete node;
            node = next;
        }
    }

    // Nodes the caller owns (embedded in the values' objects): linked after
    // previous (null: at the front) with LinkOwnNode, taken out with
    // RemoveNode, and all forgotten with ReleaseOwnNodes, never freed by the
    // list. A list holding them must be released before Clear or its end.
    Node* LinkOwnNode(Node* node, Node* previous) { return Link(node, previous); }
    void ReleaseOwnNodes() {
        m_head = nullptr;
        m_tail = nullptr;
        m_count = 0;
    }

  private:
    zList(const zList&) = delete;
    zList& operator=(const zList&) = delete;

    template <typename V> static Node* NewNode(V&& value) {
        Node* node = new (std::nothrow) Node{std::forward<V>(value), nullptr, nullptr};
        if (!node) LogListNodeAllocationFailure();
        return node;
    }

    // Links a new node after `previous` (null: at the front); passes a null through.
    Node* Link(Node* created, Node* previous) {
        if (!created) return nullptr;
        created->previous = previous;
        created->next = previous ? previous->next : m_head;
        if (created->next) {
            created->next->previous = created;
        } else {
            m_tail = created;
        }
        if (previous) {
            previous->next = created;
        } else {
            m_head = created;
        }
        ++m_count;
        return created;
    }

    u32 m_count;
    Node* m_head;
    Node* m_tail;
};
