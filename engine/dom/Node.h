#pragma once
#include "engine/dom/NodePool.h"

#include <new>

namespace Engine {

class Element;

enum class NodeKind : unsigned char { Element, Text };

// Nodes are counted: the parent holds one count, every handle use another. A node whose count
// drops to zero is deleted together with every descendant that nobody else holds.
class Node {
public:
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    [[nodiscard]] NodeKind Kind() const { return m_kind; }
    [[nodiscard]] bool IsElement() const { return m_kind == NodeKind::Element; }
    [[nodiscard]] Element* Parent() const { return m_parent; }
    [[nodiscard]] int UseCount() const { return m_uses; }

    void Use() { ++m_uses; }
    void Unuse();

    // Nodes have no virtual functions, which would cost every one of them a pointer: a delete
    // finds the node's class, and with it the size, from its kind.
    static void* operator new(std::size_t size) { return NodePool::Allocate(size); }
    static void operator delete(Node* node, std::destroying_delete_t);
    static void operator delete(void* block, std::size_t size) { NodePool::Free(block, size); }  // a constructor threw

protected:
    explicit Node(NodeKind kind) : m_kind(kind) {}
    ~Node() = default;

private:
    friend class Element;
    // Iterative, so that a deep tree cannot exhaust the stack while it goes.
    static void DeleteTree(Node* node);

    Element* m_parent = nullptr;
    int m_uses = 0;
    NodeKind m_kind;
};

} // namespace Engine
