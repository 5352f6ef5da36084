// The order in which the members of a descriptor array are listed, as
// 16-bit indexes into the array; the arrays themselves are not reordered.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/list_text_helpers.h"
#include "common/plot_descriptors.h"
#include "orvik32/orvik32.h"

namespace {

enum class Key { Product, Parent, Segment, User };

struct Range {
  double low = 0, high = 0;
};

struct Item {
  int index;
  Range first, second;
};

// Descriptors without a range go last in either direction.
double Missing(bool ascending) { return ascending ? 100000.0 : -1.0; }

std::string ShortName(const STRUCT_PLOT_DESCRIPTOR* pd) {
  const SCAN_FUN_ENTRY& e = pd->scanFuns.entries[0];
  return std::string(e.name, strnlen(e.name, sizeof e.name));
}

bool ParseRange(const char* text, Range* r) {
  double a = 0, b = 0;
  const int n = std::sscanf(text, "%lf - %lf", &a, &b);
  if (n < 1) return false;
  r->low = a;
  r->high = n == 2 ? b : a;
  return true;
}

// The key's range of a descriptor; false when the call has to fail.
bool KeyRange(const STRUCT_PLOT_DESCRIPTOR* pd, Key key, bool ascending, Range* r) {
  if (key == Key::User) {
    if (pd->massList.kind == MASS_LIST_RANGES) {
      r->low = pd->massList.ranges[0].low;
      r->high = pd->massList.ranges[0].high;
    } else {
      r->low = r->high = pd->massList.kind + 20000.0;
    }
    return true;
  }
  if (key == Key::Segment) {
    const SCAN_FUN_ENTRY& e = pd->scanFuns.entries[0];
    const std::string list(e.segments, strnlen(e.segments, sizeof e.segments));
    int segment = 0;
    if (list.empty() || list[0] < '0' || list[0] > '9' || std::sscanf(list.c_str(), "%d", &segment) != 1)
      return false;
    r->low = r->high = segment;
    return true;
  }
  if (pd->dataType != PD_TYPE_SCAN_FUNCTIONS) {
    r->low = r->high = pd->dataType + 10000.0;
    return true;
  }
  const std::string name = ShortName(pd);
  r->low = r->high = Missing(ascending);
  if (key == Key::Product) {
    const size_t gt = name.rfind('>');
    if (gt != std::string::npos) ParseRange(name.c_str() + gt + 1, r);
  } else if (name.size() > 1 && name.find('>', 1) != std::string::npos) {
    if (!ParseRange(name.c_str(), r)) r->low = r->high = Missing(ascending);
  }
  return true;
}

// Index block of the order, or 0.
int16_t Emit(const std::vector<int>& order, int16_t** indexes) {
  auto* out = static_cast<int16_t*>(AllocBlock(static_cast<uint32_t>(order.size() * sizeof(int16_t))));
  if (!out) return 0;
  for (size_t i = 0; i < order.size(); ++i) out[i] = static_cast<int16_t>(order[i]);
  *indexes = out;
  return static_cast<int16_t>(order.size());
}

int16_t SortByRanges(const STRUCT_PD_ARRAY* array, Key first, Key second, bool ascending, int16_t** indexes) {
  std::vector<Item> items;
  for (int i = 0; i < array->count; ++i) {
    const STRUCT_PLOT_DESCRIPTOR* pd = array->pds[i];
    if (!pd) return 0;
    Item it{i, {}, {}};
    if (!KeyRange(pd, first, ascending, &it.first) || !KeyRange(pd, second, ascending, &it.second)) return 0;
    items.push_back(it);
  }
  auto before = [ascending](const Item& a, const Item& b) {
    const double ka[4] = {a.first.low, a.first.high, a.second.low, a.second.high};
    const double kb[4] = {b.first.low, b.first.high, b.second.low, b.second.high};
    for (int k = 0; k < 4; ++k)
      if (ka[k] != kb[k]) return ascending ? ka[k] < kb[k] : ka[k] > kb[k];
    return a.index < b.index;
  };
  std::sort(items.begin(), items.end(), before);
  std::vector<int> order;
  for (const Item& it : items) order.push_back(it.index);
  return Emit(order, indexes);
}

struct Compound {
  int index;
  std::string name;
  double time;
  uint32_t id;
  bool is;
  uint32_t isId;
  size_t group = 0;
};

int CompareNames(const Compound& a, const Compound& b) {
  const size_t n = std::min(a.name.size(), b.name.size());
  for (size_t i = 0; i < n; ++i) {
    const int x = std::tolower(static_cast<unsigned char>(a.name[i]));
    const int y = std::tolower(static_cast<unsigned char>(b.name[i]));
    if (x != y) return x - y;
  }
  return a.name.size() < b.name.size() ? -1 : a.name.size() > b.name.size() ? 1 : 0;
}

bool ByNameThenTime(const Compound& a, const Compound& b) {
  if (const int c = CompareNames(a, b)) return c < 0;
  if (a.time != b.time) return a.time < b.time;
  return a.index < b.index;
}
bool ByTimeThenName(const Compound& a, const Compound& b) {
  if (a.time != b.time) return a.time < b.time;
  if (const int c = CompareNames(a, b)) return c < 0;
  return a.index < b.index;
}
// One key, ties by original index (the grouped order).
bool OneKey(const Compound& a, const Compound& b, bool byName) {
  if (byName) {
    if (const int c = CompareNames(a, b)) return c < 0;
  } else if (a.time != b.time) {
    return a.time < b.time;
  }
  return a.index < b.index;
}

}  // namespace

int16_t PD_GetSortedDataFileIndexes(const STRUCT_PD_ARRAY* array, int16_t firstKey, int16_t secondKey,
                                    int16_t ascending, int16_t** indexes) {
  if (!indexes) return 0;
  *indexes = nullptr;
  if (!array || array->kind != PD_KIND_DATA_FILE || array->count <= 1 || secondKey == 0) return 0;
  try {
    const Key first = firstKey == 1 ? Key::Product : firstKey == 2 ? Key::Parent : Key::Segment;
    const Key second = secondKey == 1 ? Key::Product : Key::Parent;
    return SortByRanges(array, first, second, ascending != 0, indexes);
  } catch (...) {
    return 0;
  }
}

int16_t PD_GetSortedUserIndexes(const STRUCT_PD_ARRAY* array, int16_t firstKey, int16_t secondKey, int16_t ascending,
                                int16_t** indexes) {
  if (!indexes) return 0;
  *indexes = nullptr;
  if (!array || array->kind != PD_KIND_USER_PLOT || array->count <= 1) return 0;
  try {
    return SortByRanges(array, firstKey ? Key::Parent : Key::User, secondKey ? Key::Parent : Key::User,
                        ascending != 0, indexes);
  } catch (...) {
    return 0;
  }
}

int16_t PD_GetSortedCompoundIndexes(const STRUCT_PD_ARRAY* array, int16_t byName, int16_t groupByIS,
                                    int16_t** indexes) {
  if (!indexes) return 0;
  *indexes = nullptr;
  if (!array || array->kind != PD_KIND_METHOD || array->count < 0) return 0;
  try {
    std::vector<Compound> list;
    for (int i = 0; i < array->count; ++i) {
      const STRUCT_PLOT_DESCRIPTOR* pd = array->pds[i];
      if (!pd || pd->kind != PD_KIND_METHOD || pd->qualifierNumber >= 1) continue;
      list.push_back({i, std::string(pd->compoundName, strnlen(pd->compoundName, sizeof pd->compoundName)), pd->time,
                      pd->compoundId, pd->internalStandard != 0, pd->internalStandardId});
    }
    if (list.size() < 2) return 0;
    const bool name = byName != 0;
    const bool anyIS = std::any_of(list.begin(), list.end(), [](const Compound& c) { return c.is; });
    if (!groupByIS || !anyIS) {
      std::sort(list.begin(), list.end(), name ? ByNameThenTime : ByTimeThenName);
    } else {
      std::vector<Compound> standards;
      for (const Compound& c : list)
        if (c.is) standards.push_back(c);
      std::sort(standards.begin(), standards.end(),
                [name](const Compound& a, const Compound& b) { return OneKey(a, b, name); });
      auto position = [&standards](uint32_t id) {
        for (size_t k = 0; k < standards.size(); ++k)
          if (standards[k].id == id) return k;
        return standards.size();
      };
      for (Compound& c : list) c.group = position(c.is ? c.id : c.isId);
      std::sort(list.begin(), list.end(), [name](const Compound& a, const Compound& b) {
        if (a.group != b.group) return a.group < b.group;
        if (a.is != b.is) return a.is;
        return OneKey(a, b, name);
      });
    }
    std::vector<int> order;
    for (const Compound& c : list) order.push_back(c.index);
    return Emit(order, indexes);
  } catch (...) {
    return 0;
  }
}
