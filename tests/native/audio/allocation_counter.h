// Counts heap allocations made by the whole process since it started.
#ifndef KESTRO_TESTS_NATIVE_AUDIO_ALLOCATION_COUNTER_H_
#define KESTRO_TESTS_NATIVE_AUDIO_ALLOCATION_COUNTER_H_

namespace kestro::testing {

long AllocationCount();

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_AUDIO_ALLOCATION_COUNTER_H_
