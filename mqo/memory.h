// The library's allocations whose failure a load must hear of: each readers'
// and builders' site keeps its own way out (an object fewer, a batch empty),
// and the load that ran it, seeing the count of failures move, reports out
// of memory instead of a model that lacks what the file holds. Not
// installed; no GL.
#ifndef MQO_MEMORY_H
#define MQO_MEMORY_H

#include <cstddef>

namespace mqo::detail {

// std::malloc, std::calloc and std::realloc, counting a null result.
void* mqoMalloc(size_t size);
void* mqoCalloc(size_t count, size_t size);
void* mqoRealloc(void* block, size_t size);
// Counts an allocation that failed otherwise (new (std::nothrow), bad_alloc).
void mqoNoteOutOfMemory();
// This thread's failed allocations so far: a call compares it before and
// after (the count only grows, so nested calls need no reset).
unsigned long mqoMemoryFailures();

}  // namespace mqo::detail

#endif  // MQO_MEMORY_H
