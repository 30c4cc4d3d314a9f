// Behaviour asked for through the environment, for runs where no test API is
// at hand (flutter_windows.dll under a UI peer):
//   KESTRO_STANDIN_FAIL=engine,view_controller   fail those creations
//   KESTRO_STANDIN_HOLD_FRAMES=1                 render frames only on request
// Read at every engine creation; they add to what the test API sets.
#ifndef STANDIN_ENGINE_ENVIRONMENT_REQUESTS_H_
#define STANDIN_ENGINE_ENVIRONMENT_REQUESTS_H_

namespace standin::internal {

struct EnvironmentRequests {
  bool fail_engine_creation = false;
  bool fail_view_controller_creation = false;
  bool hold_frames = false;
};

// Unknown words are diagnosed and ignored.
EnvironmentRequests ReadEnvironmentRequests();

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_ENVIRONMENT_REQUESTS_H_
