// The quarantining operator new and delete.
#include "quarantine_heap.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr unsigned char kFreedFill = 0xDD;

struct alignas(16) BlockHeader {
    size_t size;
    BlockHeader* next;  // in the kept list
};

std::atomic<bool> g_quarantine{false};
std::mutex g_keptLock;
BlockHeader* g_kept = nullptr;  // guarded by g_keptLock

void* Allocate(size_t size) {
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + (size ? size : 1)));
    if (!header) return nullptr;
    header->size = size;
    header->next = nullptr;
    return header + 1;
}

void Free(void* pointer) {
    if (!pointer) return;
    BlockHeader* header = static_cast<BlockHeader*>(pointer) - 1;
    if (!g_quarantine) {
        std::free(header);
        return;
    }
    std::memset(pointer, kFreedFill, header->size);
    std::lock_guard<std::mutex> lock(g_keptLock);
    header->next = g_kept;
    g_kept = header;
}

}  // namespace

void* operator new(size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, size_t) noexcept { Free(p); }
void operator delete[](void* p, size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }

namespace testsupport {

QuarantineScope::QuarantineScope() { g_quarantine = true; }

QuarantineScope::~QuarantineScope() {
    g_quarantine = false;
    std::lock_guard<std::mutex> lock(g_keptLock);
    while (g_kept) {
        BlockHeader* next = g_kept->next;
        std::free(g_kept);
        g_kept = next;
    }
}

int QuarantineScope::KeptBlocks() const {
    std::lock_guard<std::mutex> lock(g_keptLock);
    int count = 0;
    for (BlockHeader* b = g_kept; b; b = b->next) ++count;
    return count;
}

int QuarantineScope::DamagedBlocks() const {
    std::lock_guard<std::mutex> lock(g_keptLock);
    int damaged = 0;
    for (BlockHeader* b = g_kept; b; b = b->next) {
        auto* bytes = reinterpret_cast<const unsigned char*>(b + 1);
        for (size_t i = 0; i < b->size; ++i) {
            if (bytes[i] != kFreedFill) {
                ++damaged;
                break;
            }
        }
    }
    return damaged;
}

}  // namespace testsupport
