#include "diagnostics.h"

#include <cstdio>
#include <string>

namespace standin::internal {

void Diagnose(std::string_view text) {
  std::string line = "standin: ";
  line.append(text);
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace standin::internal
