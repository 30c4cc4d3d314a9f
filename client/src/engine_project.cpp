#include "flutter/engine_project.h"

namespace flutter {

EngineProject::EngineProject(const std::wstring& folder)
    : assets_path(folder + L"\\flutter_assets"),
      icu_data_path(folder + L"\\icudtl.dat"),
      aot_library_path(folder + L"\\app.so") {}

}  // namespace flutter
