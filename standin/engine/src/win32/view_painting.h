// What a view shows: the app's title, which engine it belongs to, and the
// recent channel traffic, in the manner of a plain diagnostic screen.
#ifndef STANDIN_ENGINE_WIN32_VIEW_PAINTING_H_
#define STANDIN_ENGINE_WIN32_VIEW_PAINTING_H_

#include <windows.h>

#include <string>
#include <vector>

#include "standin/engine_test_api.h"

namespace standin::internal::win32 {

void PaintView(HDC context, const RECT& area, EngineId engine, UINT dpi, const std::vector<std::string>& traffic);

}  // namespace standin::internal::win32

#endif  // STANDIN_ENGINE_WIN32_VIEW_PAINTING_H_
