#pragma once
// What a drawing call drew, read back from a metafile: texts with their
// positions, and lines.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "win/win_gdi.h"
#include "win/win_metafile.h"

struct DrawnText {
  std::string text;
  int32_t x, y;
};
struct DrawnLine {
  int32_t x0, y0, x1, y1;
};
struct Drawing {
  std::vector<DrawnText> texts;
  std::vector<DrawnLine> lines;
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& t : texts) out.push_back(t.text);
    return out;
  }
  const DrawnText* FindText(const std::string& s) const {
    for (const auto& t : texts)
      if (t.text == s) return &t;
    return nullptr;
  }
  bool HasLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
    for (const auto& l : lines)
      if ((l.x0 == x0 && l.y0 == y0 && l.x1 == x1 && l.y1 == y1) || (l.x0 == x1 && l.y0 == y1 && l.x1 == x0 && l.y1 == y0))
        return true;
    return false;
  }
};

// Runs draw on a metafile DC and reads back what it drew. cell gets the
// DC's "X" extent, as the painters measure it.
inline Drawing Record(const std::function<void(HDC)>& draw, SIZE* cell = nullptr) {
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  if (cell) GetTextExtentPoint32A(dc, "X", 1, cell);
  draw(dc);
  HENHMETAFILE emf = CloseEnhMetaFile(dc);
  Drawing d;
  const UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
  std::vector<uint8_t> bytes(size);
  GetEnhMetaFileBits(emf, size, bytes.data());
  DeleteEnhMetaFile(emf);
  POINTL at{0, 0};
  for (size_t off = 0; off + sizeof(EMR) <= bytes.size();) {
    EMR head;
    std::memcpy(&head, &bytes[off], sizeof head);
    if (head.nSize < sizeof(EMR) || off + head.nSize > bytes.size()) break;
    const uint8_t* rec = &bytes[off];
    if (head.iType == EMR_MOVETOEX) {
      EMRMOVETOEX m;
      std::memcpy(&m, rec, sizeof m);
      at = m.ptlOrigin;
    } else if (head.iType == EMR_LINETO) {
      EMRLINETO m;
      std::memcpy(&m, rec, sizeof m);
      d.lines.push_back({at.x, at.y, m.ptlOrigin.x, m.ptlOrigin.y});
      at = m.ptlOrigin;
    } else if (head.iType == EMR_EXTTEXTOUTA) {
      EMREXTTEXTOUTA t;
      std::memcpy(&t, rec, sizeof t);
      d.texts.push_back({std::string(reinterpret_cast<const char*>(rec) + t.emrtext.offString, t.emrtext.nChars),
                         t.emrtext.ptlReference.x, t.emrtext.ptlReference.y});
    }
    off += head.nSize;
  }
  return d;
}
