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
    // For the destroying deletes of classes without virtual functions, which know the object's
    // class from a kind of their own.
    template <typename T>
    static void Destroy(T* object)
    {
        object->~T();
        Free(object, sizeof(T));
    }
};

} // namespace Engine
