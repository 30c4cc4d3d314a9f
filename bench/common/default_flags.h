// Google Benchmark's initialisation with this project's defaults: medians of
// 9 repetitions, aggregates only. The defaults go ahead of the command line,
// whose own flags therefore win.
#ifndef KESTRO_BENCH_COMMON_DEFAULT_FLAGS_H_
#define KESTRO_BENCH_COMMON_DEFAULT_FLAGS_H_

namespace kestro::bench {

// Returns false, having said which, when an argument is no benchmark flag.
bool InitializeWithDefaultFlags(int argc, char** argv);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_COMMON_DEFAULT_FLAGS_H_
