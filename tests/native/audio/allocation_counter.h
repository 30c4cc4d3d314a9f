// Counts heap allocations made by the whole process since it started, and
// fails one on request.
#ifndef KESTRO_TESTS_NATIVE_AUDIO_ALLOCATION_COUNTER_H_
#define KESTRO_TESTS_NATIVE_AUDIO_ALLOCATION_COUNTER_H_

namespace kestro::testing {

long AllocationCount();

// Makes the calling thread's allocation after the next `successes` ones
// throw std::bad_alloc. False where allocations can only be counted.
bool FailAllocationAfter(int successes);

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_AUDIO_ALLOCATION_COUNTER_H_
