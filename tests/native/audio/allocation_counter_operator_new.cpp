// Counts, and fails on request, through a replaced global operator new.
#include <atomic>
#include <cstdlib>
#include <new>

#include "allocation_counter.h"

namespace {
std::atomic<long> allocations{0};
// Allocations of this thread still to succeed before one fails; -1: none fails.
thread_local int successes_before_failure = -1;
}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (successes_before_failure >= 0 && successes_before_failure-- == 0) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

long kestro::testing::AllocationCount() {
  return allocations.load();
}

bool kestro::testing::FailAllocationAfter(int successes) {
  successes_before_failure = successes;
  return true;
}
