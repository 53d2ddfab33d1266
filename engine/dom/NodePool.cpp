#include "engine/dom/NodePool.h"

#include <new>
#include <vector>

namespace Engine {

namespace {

// Steps of eight bytes, the most that nodes and boxes need aligned: each takes its size.
constexpr std::size_t kGranule = 8;
constexpr std::size_t kClasses = 512 / kGranule;  // blocks up to 512 bytes
constexpr std::size_t kBlocksPerChunk = 64;

struct FreeBlock {
    FreeBlock* Next;
};

struct Pools {
    FreeBlock* Free[kClasses] = {};
    std::vector<void*> Chunks;
};

// The engine's pages belong to the window thread, so one pool serves: thread-local storage
// costs a lock on every call with some toolchains, which is the very cost the pool avoids.
Pools& ThreadPools()
{
    static Pools pools;
    return pools;
}

} // namespace

void* NodePool::Allocate(std::size_t size)
{
    std::size_t index = (size + kGranule - 1) / kGranule;
    if (index == 0 || index > kClasses)
        return ::operator new(size);
    Pools& pools = ThreadPools();
    FreeBlock*& head = pools.Free[index - 1];
    if (head == nullptr) {
        std::size_t blockSize = index * kGranule;
        auto* chunk = static_cast<char*>(::operator new(blockSize * kBlocksPerChunk));
        pools.Chunks.push_back(chunk);
        for (std::size_t i = kBlocksPerChunk; i-- > 0;) {
            auto* block = reinterpret_cast<FreeBlock*>(chunk + i * blockSize);
            block->Next = head;
            head = block;
        }
    }
    FreeBlock* block = head;
    head = block->Next;
    return block;
}

void NodePool::Free(void* block, std::size_t size)
{
    if (block == nullptr)
        return;
    std::size_t index = (size + kGranule - 1) / kGranule;
    if (index == 0 || index > kClasses) {
        ::operator delete(block);
        return;
    }
    auto* freed = static_cast<FreeBlock*>(block);
    FreeBlock*& head = ThreadPools().Free[index - 1];
    freed->Next = head;
    head = freed;
}

} // namespace Engine
