#include "win32/view_painting.h"

#include "kestro/platform/wide_text.h"

namespace standin::internal::win32 {
namespace {

constexpr COLORREF kBackground = RGB(24, 28, 38);
constexpr COLORREF kTitle = RGB(240, 244, 250);
constexpr COLORREF kCaption = RGB(140, 150, 170);
constexpr COLORREF kTraffic = RGB(150, 220, 160);

// A GDI font that is deleted with its owner.
class Font {
 public:
  Font(int pixel_height, int weight, DWORD pitch_and_family, const wchar_t* face)
      : font_(CreateFontW(-pixel_height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, pitch_and_family, face)) {}
  ~Font() {
    if (font_ != nullptr) DeleteObject(font_);
  }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  HFONT handle() const { return font_; }

 private:
  HFONT font_;
};

// Writes one line at `top` and returns where the next one starts.
int Line(HDC context, const Font& font, COLORREF colour, int left, int top, const std::wstring& text) {
  const HGDIOBJ previous = SelectObject(context, font.handle());
  SetTextColor(context, colour);
  TextOutW(context, left, top, text.c_str(), static_cast<int>(text.size()));
  TEXTMETRICW metrics{};
  GetTextMetricsW(context, &metrics);
  SelectObject(context, previous);
  return top + metrics.tmHeight + metrics.tmExternalLeading;
}

}  // namespace

void PaintView(HDC context, const RECT& area, EngineId engine, UINT dpi, const std::vector<std::string>& traffic) {
  const auto scaled = [dpi](int pixels) { return MulDiv(pixels, static_cast<int>(dpi), 96); };
  const HBRUSH background = CreateSolidBrush(kBackground);
  FillRect(context, &area, background);
  DeleteObject(background);
  SetBkMode(context, TRANSPARENT);

  const Font title(scaled(40), FW_BOLD, VARIABLE_PITCH | FF_SWISS, L"Segoe UI");
  const Font caption(scaled(14), FW_NORMAL, VARIABLE_PITCH | FF_SWISS, L"Segoe UI");
  const Font monospace(scaled(13), FW_NORMAL, FIXED_PITCH | FF_MODERN, L"Consolas");
  const int left = area.left + scaled(24);
  int top = area.top + scaled(16);
  top = Line(context, title, kTitle, left, top, L"kestro");
  top = Line(context, caption, kCaption, left, top,
             L"stand-in engine " + std::to_wstring(engine) + L"   view " + std::to_wstring(area.right - area.left) +
                 L" x " + std::to_wstring(area.bottom - area.top));
  top += scaled(12);
  top = Line(context, caption, kCaption, left, top, L"recent channel traffic");
  for (const std::string& line : traffic) top = Line(context, monospace, kTraffic, left, top, kestro::Utf8ToWide(line));
}

}  // namespace standin::internal::win32
