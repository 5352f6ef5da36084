// One visible control of a preference sheet's dialog template.
#pragma once

#include "win/win_resources.h"

namespace prefsheets {

inline void Item(win::resources::DialogTemplate& dlg, int id, const char* cls, const char* text, DWORD style, short x,
                 short y, short cx, short cy) {
  win::resources::DialogItem it;
  it.id = id;
  it.className = cls;
  it.text = text;
  it.style = WS_VISIBLE | style;
  it.x = x;
  it.y = y;
  it.cx = cx;
  it.cy = cy;
  dlg.items.push_back(it);
}

}  // namespace prefsheets
