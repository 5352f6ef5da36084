#pragma once
// The item model shared by the list box and the combo box.
#include <string>
#include <vector>

#include "win_types.h"

namespace win::user {

struct ListItem {
  std::string text;
  ULONG_PTR data = 0;
  bool selected = false;
};

struct ItemList {
  std::vector<ListItem> items;
  bool sorted = false;  // case-insensitive order
  int Insert(int index, const std::string& text);  // -1: at the end (or in order)
  int Find(int after, const std::string& text, bool exact) const;  // prefix or whole text, wrapping
  bool Valid(WPARAM i) const { return static_cast<size_t>(i) < items.size(); }
};

}  // namespace win::user
