// Counts through the sanitizer allocator's hook, for sanitizer runtimes that
// define operator new themselves and so cannot have it replaced.
#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cstddef>

#include "allocation_counter.h"

namespace {

std::atomic<long> allocations{0};

void CountAllocation(const volatile void*, std::size_t) {
  allocations.fetch_add(1, std::memory_order_relaxed);
}
void IgnoreFree(const volatile void*) {}

const int installed = __sanitizer_install_malloc_and_free_hooks(CountAllocation, IgnoreFree);

}  // namespace

long kestro::testing::AllocationCount() {
  return installed != 0 ? allocations.load() : -1;
}

bool kestro::testing::FailAllocationAfter(int) {
  return false;
}
