// What the engine loads and how it starts.
#ifndef FLUTTER_ENGINE_PROJECT_H_
#define FLUTTER_ENGINE_PROJECT_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace flutter {

// A plain, copyable value. The paths stay relative; the engine library
// resolves them against the executable's folder.
struct EngineProject {
  // `folder` + "\flutter_assets", "\icudtl.dat" and "\app.so"; default
  // entrypoint, no arguments, all option values 0.
  explicit EngineProject(const std::wstring& folder);

  std::wstring assets_path;
  std::wstring icu_data_path;
  // The compiled UI code.
  std::wstring aot_library_path;
  // Empty selects the engine's default entrypoint.
  std::string entrypoint;
  // UTF-8, in command-line order.
  std::vector<std::string> entrypoint_arguments;
  // Passed through to the engine unchanged.
  std::array<int32_t, 3> option_values{};
};

}  // namespace flutter

#endif  // FLUTTER_ENGINE_PROJECT_H_
