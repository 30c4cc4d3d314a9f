// Where the engine would load its data from.
#ifndef STANDIN_ENGINE_DATA_PATHS_H_
#define STANDIN_ENGINE_DATA_PATHS_H_

#include "standin/engine_test_api.h"

namespace standin::internal {

// Resolves each data path that was given (assets, ICU data, AOT library)
// against the executable's folder, as the engine library does with
// relative ones, and writes one diagnostic line for each that does not
// exist there. The paths are recorded as given either way.
void CheckDataPaths(const RecordedProperties& properties);

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_DATA_PATHS_H_
