// Where and why a piece of command-line input was refused, and how to show it.
#ifndef KESTRO_WIRE_TEXT_ERROR_H_
#define KESTRO_WIRE_TEXT_ERROR_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kestro::wire {

struct TextError {
  // Byte offset of the offending character; the input's length when the
  // input ended too early.
  size_t offset = 0;
  // What was expected there, or what is wrong with it.
  std::string message;
};

// "kestro-wire: invalid WHAT at [line L,] column N: MESSAGE", then the offending line of
// `input` and a caret under the offending character, each line ended.
std::string DescribeTextError(std::string_view what, std::string_view input, const TextError& error);

}  // namespace kestro::wire

#endif  // KESTRO_WIRE_TEXT_ERROR_H_
