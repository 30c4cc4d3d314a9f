#include "flutter/encodable_value.h"

#include <algorithm>
#include <functional>

namespace flutter {

namespace {

// Element walk of double and float lists: a pair in which either element is
// NaN stops the walk with "not before", unlike a plain lexicographic compare.
template <typename Float>
bool FloatListLess(const std::vector<Float>& a, const std::vector<Float>& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    if (a[i] < b[i]) return true;
    if (!(a[i] == b[i])) return false;  // greater, or unordered
  }
  return a.size() < b.size();
}

struct SameAlternativeLess {
  const EncodableValue& other;

  bool operator()(const std::monostate&) const { return false; }
  bool operator()(const std::vector<double>& a) const {
    return FloatListLess(a, std::get<std::vector<double>>(other));
  }
  bool operator()(const std::vector<float>& a) const {
    return FloatListLess(a, std::get<std::vector<float>>(other));
  }
  bool operator()(const ValueMap& a) const {
    const ValueMap& b = std::get<ValueMap>(other);
    auto ia = a.begin();
    auto ib = b.begin();
    for (; ia != a.end() && ib != b.end(); ++ia, ++ib) {
      if (ia->first < ib->first) return true;
      if (ib->first < ia->first) return false;
      if (ia->second < ib->second) return true;
      if (ib->second < ia->second) return false;
    }
    return ia == a.end() && ib != b.end();
  }
  // bool, integers, double (NaN never before), strings (unsigned bytes),
  // integer and byte lists, ValueList and CustomValue all order by their own
  // operator<, which is the rule for each of them.
  template <typename T>
  bool operator()(const T& a) const {
    return a < std::get<T>(other);
  }
};

}  // namespace

bool CustomValue::operator<(const CustomValue& other) const {
  return std::less<const CustomValue*>()(this, &other);
}

bool EncodableValue::operator<(const EncodableValue& other) const {
  if (index() != other.index()) return index() < other.index();
  return std::visit(SameAlternativeLess{other},
                    static_cast<const internal::EncodableVariant&>(*this));
}

const EncodableValue* EncodableValue::Find(const char* key) const {
  const ValueMap* map = TryGet<ValueMap>();
  if (map == nullptr) return nullptr;
  auto it = map->find(EncodableValue(key));
  return it == map->end() ? nullptr : &it->second;
}

}  // namespace flutter
