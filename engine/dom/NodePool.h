#pragma once
#include <cstddef>

namespace Engine {

// Memory for nodes: a page is thousands of small objects made and freed together, which the
// general heap (Windows' own in particular) serves slowly. Freed blocks are kept per size for
// the next node; the pool's memory is never handed back. The engine is used from its windows' thread only.
class NodePool {
public:
    [[nodiscard]] static void* Allocate(std::size_t size);
    static void Free(void* block, std::size_t size);
};

} // namespace Engine
