#include "text_error.h"

#include <algorithm>

#include "kestro/platform/utf8.h"

namespace kestro::wire {

std::string DescribeTextError(std::string_view what, std::string_view input, const TextError& error) {
  const size_t offset = error.offset < input.size() ? error.offset : input.size();
  size_t begin = 0;
  if (offset > 0) {
    const size_t newline = input.rfind('\n', offset - 1);
    if (newline != std::string_view::npos) begin = newline + 1;
  }
  size_t end = input.find('\n', offset);
  if (end == std::string_view::npos) end = input.size();

  // Columns count characters, so that the caret sits under the right one
  // when the line holds multi-byte text.
  const size_t column = CountCharacters(input.substr(begin, offset - begin));
  std::string line;
  for (char c : input.substr(begin, end - begin)) {
    // Control characters would shift or garble the echoed line.
    line += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
  }

  std::string text = "kestro-wire: invalid ";
  text.append(what);
  // The line number only matters when the input spans lines.
  if (input.find('\n') != std::string_view::npos) {
    const size_t line_number = 1 + static_cast<size_t>(std::count(input.begin(), input.begin() + begin, '\n'));
    text += " at line " + std::to_string(line_number) + ",";
  } else {
    text += " at";
  }
  text += " column " + std::to_string(column + 1) + ": " + error.message + "\n";
  text += "  " + line + "\n";
  text += "  " + std::string(column, ' ') + "^\n";
  return text;
}

}  // namespace kestro::wire
