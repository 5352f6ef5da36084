// libFuzzer target over the connection table of a library spectrum: the
// input is the table block (cut or zero-padded to its size), drawn alone
// into a box and as the structure of a library match in the stacked
// spectra. Nothing faults; counts read stay within the table's room and
// every bond stays inside the box it was fitted to.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "spectrumctl/tests/spectrum_fixture.h"
#include "testing/fuzz_support.h"

namespace {

struct Canvas {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 320, 240);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HFONT font = sptfix::PlotFont();
  CDC cdc;
  Canvas() {
    SelectObject(dc, font);
    cdc.Attach(dc);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Canvas* canvas = new Canvas;
  std::vector<uint8_t> table(CHEM_TABLE_SIZE, 0);
  std::memcpy(table.data(), data, std::min<size_t>(size, CHEM_TABLE_SIZE));

  kelt::chem::Table t;
  kelt::chem::ReadTable(table.data(), &t);
  fuzz::Check(t.bondEnds >= 0 && t.bondEnds <= CHEM_MOST_ITEMS, "bond ends within the table");
  fuzz::Check(t.circles >= 0 && t.circles <= CHEM_MOST_ITEMS, "circles within the table");
  fuzz::Check(t.labels >= 0 && t.labels <= CHEM_MOST_ITEMS, "labels within the table");
  for (int i = 0; i < t.labels; ++i) fuzz::Check(std::strlen(t.labelText[i]) <= CHEM_LABEL_SIZE, "label length");

  CDrawChemStruct s;
  s.DC = &canvas->cdc;
  s.Table = table.data();
  s.Left = 20, s.Top = 10, s.Right = 300, s.Bottom = 230;
  s.CharWidth = 7, s.CharHeight = 14;
  s.DoJob();
  if (!t.Empty()) {
    fuzz::Check(s.UsedWidth <= 280 && s.UsedHeight <= 220, "the structure fits its box");
    for (int i = 0; i < t.bondEnds; ++i) {
      const int x = s.ConvertX(t.bondX[i]), y = s.ConvertY(t.bondY[i]);
      fuzz::Check(x >= 19 && x <= 301 && y >= 9 && y <= 231, "bond ends inside the box");
    }
  }

  sptfix::Spt hit = sptfix::Library("fuzzed", {{77, 5000}, {112, 9999}}, table);
  sptfix::Spt unknown = sptfix::Integer({{77, 4000}, {112, 9000}});
  CDrawStackedSpectra d;
  sptfix::Frame(d, &canvas->cdc, 320, 240, 7, 14);
  d.Spectra[0] = unknown.get();
  d.Spectra[1] = hit.get();
  d.DoJob();
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::pair<const char*, std::vector<uint8_t>> seeds[] = {
      {"benzene", sptfix::Benzene()},
      {"toluene", sptfix::Toluene()},
      {"trichlorobenzene", sptfix::Trichlorobenzene()},
  };
  for (const auto& [name, bytes] : seeds) fuzz::WriteBytes(std::string(folder) + "/" + name, bytes.data(), bytes.size());
  return 0;
}
