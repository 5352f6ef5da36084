// Image lists: images of one size kept as pixels, with a transparency mask,
// drawn pixel by pixel; and bitmaps mapped to the system's button colours.
#include <map>
#include <memory>
#include <mutex>

#include "common_control_kit.h"
#include "win_kernel.h"
#include "win_resources.h"

namespace win::user {
namespace {

struct ImageList {
  int cx = 16, cy = 16;
  UINT flags = 0;
  int grow = 4;
  COLORREF background = CLR_NONE;
  struct Image {
    std::vector<COLORREF> pixels;
    std::vector<bool> transparent;
  };
  std::vector<Image> images;
};

std::mutex g_lock;
std::map<uintptr_t, std::shared_ptr<ImageList>>& Lists() {
  static auto* lists = new std::map<uintptr_t, std::shared_ptr<ImageList>>();
  return *lists;
}
uintptr_t g_next = 0x40010;

std::shared_ptr<ImageList> ListOf(HIMAGELIST h) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = Lists().find(reinterpret_cast<uintptr_t>(h));
  if (it == Lists().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

// Cuts a strip into images; transparent(x, y) says which pixels the mask hides.
template <typename Mask>
int AddStrip(ImageList& list, const std::vector<COLORREF>& px, int w, int h, Mask transparent) {
  if (px.empty() || h < list.cy || w < list.cx) return -1;
  int first = static_cast<int>(list.images.size());
  for (int k = 0; k + list.cx <= w; k += list.cx) {
    ImageList::Image img;
    for (int y = 0; y < list.cy; ++y)
      for (int x = 0; x < list.cx; ++x) {
        size_t at = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(k + x);
        img.pixels.push_back(px[at]);
        img.transparent.push_back((list.flags & ILC_MASK) && transparent(at));
      }
    list.images.push_back(std::move(img));
  }
  return first;
}

}  // namespace
}  // namespace win::user

using namespace win::user;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
  if (cx <= 0 || cy <= 0 || initial < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto list = std::make_shared<ImageList>();
  list->cx = cx;
  list->cy = cy;
  list->flags = flags;
  list->grow = grow;
  list->images.reserve(static_cast<size_t>(initial));
  std::lock_guard<std::mutex> lock(g_lock);
  uintptr_t value = g_next;
  g_next += 4;
  Lists()[value] = list;
  return reinterpret_cast<HIMAGELIST>(value);
}

BOOL ImageList_Destroy(HIMAGELIST h) {
  std::lock_guard<std::mutex> lock(g_lock);
  return Lists().erase(reinterpret_cast<uintptr_t>(h)) ? TRUE : FALSE;
}

int ImageList_GetImageCount(HIMAGELIST h) {
  auto l = ListOf(h);
  return l ? static_cast<int>(l->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST h, int* cx, int* cy) {
  auto l = ListOf(h);
  if (!l || !cx || !cy) return FALSE;
  *cx = l->cx;
  *cy = l->cy;
  return TRUE;
}

int ImageList_Add(HIMAGELIST h, HBITMAP image, HBITMAP mask) {
  auto l = ListOf(h);
  if (!l) return -1;
  int w = 0, ht = 0, mw = 0, mh = 0;
  auto px = BitmapPixels(image, &w, &ht);
  auto mpx = mask ? BitmapPixels(mask, &mw, &mh) : std::vector<COLORREF>{};
  bool useMask = !mpx.empty() && mw == w && mh == ht;
  return AddStrip(*l, px, w, ht, [&](size_t at) { return useMask && (mpx[at] & 0xFFFFFF) != 0; });
}

int ImageList_AddMasked(HIMAGELIST h, HBITMAP image, COLORREF mask) {
  auto l = ListOf(h);
  if (!l) return -1;
  int w = 0, ht = 0;
  auto px = BitmapPixels(image, &w, &ht);
  return AddStrip(*l, px, w, ht, [&](size_t at) { return px[at] == mask; });
}

BOOL ImageList_Remove(HIMAGELIST h, int index) {
  auto l = ListOf(h);
  if (!l) return FALSE;
  if (index == -1) {
    l->images.clear();
    return TRUE;
  }
  if (index < 0 || static_cast<size_t>(index) >= l->images.size()) return FALSE;
  l->images.erase(l->images.begin() + index);
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST h, COLORREF color) {
  auto l = ListOf(h);
  if (!l) return CLR_NONE;
  COLORREF old = l->background;
  l->background = color;
  return old;
}

BOOL ImageList_Draw(HIMAGELIST h, int index, HDC dc, int x, int y, UINT style) {
  auto l = ListOf(h);
  if (!l || index < 0 || static_cast<size_t>(index) >= l->images.size() || !dc) return FALSE;
  const auto& img = l->images[static_cast<size_t>(index)];
  bool masked = (l->flags & ILC_MASK) && (l->background == CLR_NONE || (style & ILD_TRANSPARENT));
  for (int j = 0; j < l->cy; ++j)
    for (int i = 0; i < l->cx; ++i) {
      size_t at = static_cast<size_t>(j) * static_cast<size_t>(l->cx) + static_cast<size_t>(i);
      if (style & ILD_MASK) {
        SetPixelV(dc, x + i, y + j, img.transparent[at] ? RGB(255, 255, 255) : RGB(0, 0, 0));
      } else if (img.transparent[at]) {
        if (!masked) SetPixelV(dc, x + i, y + j, l->background);
      } else {
        SetPixelV(dc, x + i, y + j, img.pixels[at]);
      }
    }
  return TRUE;
}

HBITMAP CreateMappedBitmap(HINSTANCE instance, INT_PTR bitmapId, UINT, LPCOLORMAP colorMap, int mapCount) {
  const auto* res = win::resources::FindBitmap(instance, win::resources::ResourceName(static_cast<int>(bitmapId)));
  if (!res || res->pixels.size() != static_cast<size_t>(res->width) * static_cast<size_t>(res->height)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const COLORMAP standard[] = {{RGB(0, 0, 0), GetSysColor(COLOR_BTNTEXT)},
                               {RGB(128, 128, 128), GetSysColor(COLOR_BTNSHADOW)},
                               {RGB(192, 192, 192), GetSysColor(COLOR_BTNFACE)},
                               {RGB(255, 255, 255), GetSysColor(COLOR_BTNHIGHLIGHT)}};
  const COLORMAP* map = colorMap && mapCount > 0 ? colorMap : standard;
  int count = colorMap && mapCount > 0 ? mapCount : 4;
  std::vector<COLORREF> px = res->pixels;
  for (auto& p : px)
    for (int i = 0; i < count; ++i)
      if ((p & 0xFFFFFF) == (map[i].from & 0xFFFFFF)) {
        p = map[i].to & 0xFFFFFF;
        break;
      }
  return BitmapFromPixels(px, res->width, res->height);
}

namespace win::user {
bool DrawImageDisabled(HIMAGELIST h, int index, HDC dc, int x, int y) {
  auto l = ListOf(h);
  if (!l || index < 0 || static_cast<size_t>(index) >= l->images.size() || !dc) return false;
  const auto& img = l->images[static_cast<size_t>(index)];
  COLORREF face = GetSysColor(COLOR_BTNFACE) & 0xFFFFFF, shadow = GetSysColor(COLOR_BTNSHADOW);
  for (int j = 0; j < l->cy; ++j)
    for (int i = 0; i < l->cx; ++i) {
      size_t at = static_cast<size_t>(j) * static_cast<size_t>(l->cx) + static_cast<size_t>(i);
      if (!img.transparent[at] && (img.pixels[at] & 0xFFFFFF) != face) SetPixelV(dc, x + i, y + j, shadow);
    }
  return true;
}
}  // namespace win::user
