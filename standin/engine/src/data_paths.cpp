#include "data_paths.h"

#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#include "diagnostics.h"
#include "platform.h"

namespace standin::internal {
namespace {

void Check(const std::filesystem::path& folder, const char* what, const std::optional<std::wstring>& given) {
  if (!given.has_value()) return;
  const std::filesystem::path resolved = folder / std::filesystem::path(*given);
  std::error_code ignored;
  if (std::filesystem::exists(resolved, ignored)) return;
  Diagnose(std::string("FlutterDesktopEngineCreate: the ") + what + " path " +
           std::filesystem::path(*given).u8string() + " does not exist beside the executable: " + resolved.u8string());
}

}  // namespace

void CheckDataPaths(const RecordedProperties& properties) {
  const std::optional<std::filesystem::path> folder = platform::ExecutableFolder();
  if (!folder.has_value()) return;
  // A path that cannot be converted must not cost the engine its creation.
  try {
    Check(*folder, "assets", properties.assets_path);
    Check(*folder, "ICU data", properties.icu_data_path);
    Check(*folder, "AOT library", properties.aot_library_path);
  } catch (const std::exception& error) {
    Diagnose(std::string("FlutterDesktopEngineCreate: data paths not checked: ") + error.what());
  }
}

}  // namespace standin::internal
