#include "flutter/encodable_value.h"

#include <algorithm>
#include <cstdlib>  // _byteswap_* of Microsoft's compiler
#include <cstring>
#include <functional>

namespace flutter {

namespace {

// Three-way form of the ordering: negative when a orders before b, positive
// when b orders before a, zero when neither does (equivalent, or unordered
// because of a NaN). Lists and maps recurse once per element this way; a
// two-way walk would ask "a < b" and then "b < a" of every element pair,
// which doubles the work at every level of nesting.
int Compare(const EncodableValue& a, const EncodableValue& b);

template <typename T>
int CompareScalars(const T& a, const T& b) {
  if (a < b) return -1;
  if (b < a) return 1;
  return 0;  // equal, or a NaN on either side
}

int CompareSizes(size_t a, size_t b) {
  return CompareScalars(a, b);
}

// Integer lists, byte lists and ValueLists: the first element pair that
// orders either way decides, else the shorter list is first.
template <typename T, typename ElementCompare>
int CompareSequences(const std::vector<T>& a, const std::vector<T>& b, ElementCompare compare) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    if (const int order = compare(a[i], b[i])) return order;
  }
  return CompareSizes(a.size(), b.size());
}

// Double and float lists: a pair in which either element is NaN stops the
// walk with "neither first", unlike a plain lexicographic compare.
template <typename Float>
int CompareFloatLists(const std::vector<Float>& a, const std::vector<Float>& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    if (a[i] < b[i]) return -1;
    if (b[i] < a[i]) return 1;
    if (!(a[i] == b[i])) return 0;
  }
  return CompareSizes(a.size(), b.size());
}

int CompareMaps(const ValueMap& a, const ValueMap& b) {
  auto ia = a.begin();
  auto ib = b.begin();
  for (; ia != a.end() && ib != b.end(); ++ia, ++ib) {
    if (const int order = Compare(ia->first, ib->first)) return order;
    if (const int order = Compare(ia->second, ib->second)) return order;
  }
  return CompareSizes(a.size(), b.size());
}

// `Word` bytes from `bytes` as a number that orders as the bytes do.
template <typename Word>
Word LoadOrdered(const char* bytes) {
  Word word;
  std::memcpy(&word, bytes, sizeof(Word));
#if defined(_MSC_VER) && !defined(__clang__)
  // Every target of Microsoft's compiler is little-endian.
  if constexpr (sizeof(Word) == 8) return _byteswap_uint64(word);
  if constexpr (sizeof(Word) == 4) return _byteswap_ulong(word);
#elif defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  if constexpr (sizeof(Word) == 8) return __builtin_bswap64(word);
  if constexpr (sizeof(Word) == 4) return __builtin_bswap32(word);
#endif
  return word;
}

// Unsigned bytes, then length. Map keys are mostly short strings, compared
// here a word at a time rather than through a library call. The last word
// overlaps the one before; its earlier bytes are equal, so the first
// difference still decides.
int CompareStrings(const std::string& a, const std::string& b) {
  const size_t common = std::min(a.size(), b.size());
  const char* x = a.data();
  const char* y = b.data();
  uint64_t word_x = 0;
  uint64_t word_y = 0;
  if (common >= 8) {
    for (size_t i = 0; i < common && word_x == word_y; i += 8) {
      const size_t at = std::min(i, common - 8);
      word_x = LoadOrdered<uint64_t>(x + at);
      word_y = LoadOrdered<uint64_t>(y + at);
    }
  } else if (common >= 4) {
    word_x = uint64_t{LoadOrdered<uint32_t>(x)} << 32 | LoadOrdered<uint32_t>(x + common - 4);
    word_y = uint64_t{LoadOrdered<uint32_t>(y)} << 32 | LoadOrdered<uint32_t>(y + common - 4);
  } else {
    for (size_t i = 0; i < common && word_x == word_y; ++i) {
      word_x = static_cast<unsigned char>(x[i]);
      word_y = static_cast<unsigned char>(y[i]);
    }
  }
  if (word_x != word_y) return word_x < word_y ? -1 : 1;
  return CompareSizes(a.size(), b.size());
}

struct SameAlternativeCompare {
  const EncodableValue& other;

  int operator()(const std::monostate&) const { return 0; }
  int operator()(const std::string& a) const { return CompareStrings(a, std::get<std::string>(other)); }
  int operator()(const std::vector<double>& a) const {
    return CompareFloatLists(a, std::get<std::vector<double>>(other));
  }
  int operator()(const std::vector<float>& a) const {
    return CompareFloatLists(a, std::get<std::vector<float>>(other));
  }
  int operator()(const ValueList& a) const { return CompareSequences(a, std::get<ValueList>(other), Compare); }
  int operator()(const ValueMap& a) const { return CompareMaps(a, std::get<ValueMap>(other)); }
  template <typename T>
  int operator()(const std::vector<T>& a) const {
    return CompareSequences(a, std::get<std::vector<T>>(other), CompareScalars<T>);
  }
  // bool (false first), integers, double (NaN neither) and CustomValue (by
  // holder address).
  template <typename T>
  int operator()(const T& a) const {
    return CompareScalars(a, std::get<T>(other));
  }
};

int Compare(const EncodableValue& a, const EncodableValue& b) {
  if (a.index() != b.index()) return CompareSizes(a.index(), b.index());
  if (const auto* text = std::get_if<std::string>(&a)) return CompareStrings(*text, *std::get_if<std::string>(&b));
  return std::visit(SameAlternativeCompare{b}, static_cast<const internal::EncodableVariant&>(a));
}

}  // namespace

bool CustomValue::operator<(const CustomValue& other) const {
  return std::less<const CustomValue*>()(this, &other);
}

bool EncodableValue::operator<(const EncodableValue& other) const {
  return Compare(*this, other) < 0;
}

const EncodableValue* EncodableValue::Find(const char* key) const {
  const ValueMap* map = TryGet<ValueMap>();
  if (map == nullptr) return nullptr;
  auto it = map->find(EncodableValue(key));
  return it == map->end() ? nullptr : &it->second;
}

}  // namespace flutter
