// The tags of the standard message format and the diagnostic lines its
// writers and readers share.
#ifndef KESTRO_CLIENT_WIRE_FORMAT_H_
#define KESTRO_CLIENT_WIRE_FORMAT_H_

#include <cstdint>
#include <string>

namespace flutter::internal {

enum WireTag : uint8_t {
  kTagNull = 0,
  kTagTrue = 1,
  kTagFalse = 2,
  kTagInt32 = 3,
  kTagInt64 = 4,
  kTagLargeInt = 5,  // never written; read as a string
  kTagDouble = 6,
  kTagString = 7,
  kTagByteList = 8,
  kTagInt32List = 9,
  kTagInt64List = 10,
  kTagDoubleList = 11,
  kTagList = 12,
  kTagMap = 13,
  kTagFloatList = 14,
};

// A value read sits inside at most this many lists and maps, so that a
// hostile message cannot exhaust the stack. A list or map one level deeper
// may only be empty: one that declares items there is refused after its size
// prefix (with the invalid-read line, as an empty list or map), as an
// oversized one is, so what a decode keeps encodes and reads back the same.
inline constexpr int kMaxNestingDepth = 256;

inline constexpr char kInvalidReadLine[] = "Invalid read in StandardCodecByteStreamReader";
inline constexpr char kTooLargeLine[] =
    "Value too large for the standard message format in StandardCodecSerializer::WriteValue; written as null.";
inline constexpr char kCustomTypeLine[] =
    "Unhandled custom type in StandardCodecSerializer::WriteValue. Custom types require codec extensions.";
inline constexpr char kOutOfMemoryLine[] =
    "Out of memory in StandardCodecSerializer::ReadValueOfType; the value read as null.";
inline constexpr char kUnknownTypeLine[] = "Unknown type in StandardCodecSerializer::ReadValueOfType: ";
// Equivalent keys are more than repeated ones: a NaN is equivalent to every
// double. What a message loses that way is said, not hidden.
inline std::string DroppedEntriesLine(uint32_t dropped, uint32_t count) {
  return "Map entries dropped in StandardCodecSerializer::ReadValueOfType: " + std::to_string(dropped) + " of " +
         std::to_string(count) + " keys equivalent to an earlier key";
}

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_WIRE_FORMAT_H_
