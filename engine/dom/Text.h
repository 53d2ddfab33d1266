#pragma once
#include "engine/dom/Node.h"

#include <string>
#include <utility>

namespace Engine {

class Text final : public Node {
public:
    explicit Text(std::wstring data) : Node(NodeKind::Text), m_data(std::move(data)) {}

    [[nodiscard]] const std::wstring& Data() const { return m_data; }
    std::wstring& MutableData() { return m_data; }

private:
    std::wstring m_data;
};

} // namespace Engine
