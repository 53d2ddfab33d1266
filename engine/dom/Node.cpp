#include "engine/dom/Node.h"

#include "engine/dom/Element.h"
#include "engine/dom/Text.h"

#include <vector>

namespace Engine {

void Node::Unuse()
{
    if (--m_uses == 0 && m_parent == nullptr)
        DeleteTree(this);
}

void Node::operator delete(Node* node, std::destroying_delete_t)
{
    if (node->IsElement())
        NodePool::Destroy(static_cast<Element*>(node));
    else
        NodePool::Destroy(static_cast<Text*>(node));
}

void Node::DeleteTree(Node* node)
{
    std::vector<Node*> pending{node};
    while (!pending.empty()) {
        Node* current = pending.back();
        pending.pop_back();
        if (current->IsElement())
            static_cast<Element*>(current)->ReleaseChildren(pending);
        delete current;
    }
}

} // namespace Engine
