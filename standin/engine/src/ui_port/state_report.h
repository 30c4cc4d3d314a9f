// The state a UI peer asks for, encoded in the standard message format so
// that the peer decodes it with the codec it already has.
#ifndef STANDIN_ENGINE_UI_PORT_STATE_REPORT_H_
#define STANDIN_ENGINE_UI_PORT_STATE_REPORT_H_

#include <cstdint>
#include <vector>

namespace standin::internal {

std::vector<uint8_t> EncodeStateReport();

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_UI_PORT_STATE_REPORT_H_
