// MqoModel: allocations that count their failures, per thread, since
// mqoLoadModels parses on threads of its own.
#include "mqo/memory.h"

#include <cstdlib>

namespace mqo::detail {

namespace {

thread_local unsigned long failures = 0;

void* counted(void* block) {
    if (block == nullptr) ++failures;
    return block;
}

}  // namespace

void* mqoMalloc(size_t size) { return counted(std::malloc(size)); }

void* mqoCalloc(size_t count, size_t size) { return counted(std::calloc(count, size)); }

void* mqoRealloc(void* block, size_t size) { return counted(std::realloc(block, size)); }

void mqoNoteOutOfMemory() { ++failures; }

unsigned long mqoMemoryFailures() { return failures; }

}  // namespace mqo::detail
