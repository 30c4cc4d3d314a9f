#include "default_flags.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace kestro::bench {

bool InitializeWithDefaultFlags(int argc, char** argv) {
  static char repetitions[] = "--benchmark_repetitions=9";
  static char aggregates_only[] = "--benchmark_report_aggregates_only=true";
  std::vector<char*> args{argv[0], repetitions, aggregates_only};
  args.insert(args.end(), argv + 1, argv + argc);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

}  // namespace kestro::bench
