#pragma once
// Test support: the records and texts of a metafile page.
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "reportpages/reports_file.h"
#include "win/win_metafile.h"
#include "win/win_stdio.h"

struct Text {
  int x, y;
  std::string text;
};

// Records of a page's metafile bits, and its texts.
struct Played {
  std::vector<DWORD> types;
  std::vector<Text> texts;
  ENHMETAHEADER header{};
  SIZE windowExt{};
};

inline int CALLBACK Collect(HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM data) {
  auto* p = reinterpret_cast<Played*>(data);
  p->types.push_back(r->iType);
  if (r->iType == EMR_EXTTEXTOUTW) {
    const auto* t = reinterpret_cast<const EMREXTTEXTOUTW*>(r);
    const auto* chars = reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(r) + t->emrtext.offString);
    std::string s;
    for (DWORD i = 0; i < t->emrtext.nChars; ++i) s += char(chars[i]);
    p->texts.push_back({int(t->emrtext.ptlReference.x), int(t->emrtext.ptlReference.y), s});
  } else if (r->iType == EMR_EXTTEXTOUTA) {
    const auto* t = reinterpret_cast<const EMREXTTEXTOUTA*>(r);
    const char* chars = reinterpret_cast<const char*>(r) + t->emrtext.offString;
    p->texts.push_back({int(t->emrtext.ptlReference.x), int(t->emrtext.ptlReference.y),
                        std::string(chars, t->emrtext.nChars)});
  } else if (r->iType == EMR_SETWINDOWEXTEX) {
    const auto* e = reinterpret_cast<const EMRSETEXTEX*>(r);
    p->windowExt = {e->szlExtent.cx, e->szlExtent.cy};
  }
  return 1;
}

inline Played Play(const void* bits, size_t size) {
  Played p;
  HENHMETAFILE emf = SetEnhMetaFileBits(UINT(size), static_cast<const BYTE*>(bits));
  if (!emf) return p;
  GetEnhMetaFileHeader(emf, sizeof p.header, &p.header);
  EnumEnhMetaFile(nullptr, emf, Collect, &p, nullptr);
  DeleteEnhMetaFile(emf);
  return p;
}

inline Played Play(HGLOBAL block) {
  const size_t size = GlobalSize(block);
  const void* bits = GlobalLock(block);
  Played p = Play(bits, size);
  GlobalUnlock(block);
  return p;
}

// The texts of a stored page.
inline Played PlayStored(CRptsFileHandler& file, int32_t index, RptsPageRecord* record = nullptr) {
  RptsPageRecord r{};
  uint32_t size = 0;
  void* bits = file.GetPage(index, &r, &size);
  if (!bits) return Played{};
  Played p = Play(bits, size);
  FreeBlock(bits);
  if (record) *record = r;
  return p;
}

inline bool HasText(const Played& p, const std::string& text, int x = -1, int y = -1) {
  for (const Text& t : p.texts)
    if (t.text == text && (x < 0 || t.x == x) && (y < 0 || t.y == y)) return true;
  return false;
}
