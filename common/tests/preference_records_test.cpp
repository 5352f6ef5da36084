// The four preference records: factory bytes, storage in tolview3.ini,
// damaged and out-of-range values.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace prefs = kelt::prefs;

// ---- One table entry per record kind ------------------------------------------

struct Kind {
  const char* name;
  size_t size;
  const char* section;
  void (*reset)(void*);
  BOOL (*validate)(void*);
  BOOL (*read)(void*, const char*);
  BOOL (*write)(const void*, const char*);
  void (*current)(void*);
};

template <class R, void (*Reset)(R*), BOOL (*Validate)(R*), BOOL (*Read)(R*, const char*),
          BOOL (*Write)(const R*, const char*), void (*Current)(R*)>
Kind MakeKind(const char* name, const char* section) {
  return Kind{name,
              sizeof(R),
              section,
              [](void* p) { Reset(static_cast<R*>(p)); },
              [](void* p) { return Validate(static_cast<R*>(p)); },
              [](void* p, const char* s) { return Read(static_cast<R*>(p), s); },
              [](const void* p, const char* s) { return Write(static_cast<const R*>(p), s); },
              [](void* p) { Current(static_cast<R*>(p)); }};
}

const Kind kChro = MakeKind<STRUCT_CHRO_PREFS, KELT_ResetDefChroPrefs, KELT_ValidateChroPrefs, KELT_ReadDefChroPrefs,
                            KELT_WriteDefChroPrefs, KELT_GetCurrDefChroPrefs>("chro", "KELTDefChroPrefs");
const Kind kSpts = MakeKind<STRUCT_SPTS_PREFS, KELT_ResetDefSptsPrefs, KELT_ValidateSptsPrefs, KELT_ReadDefSptsPrefs,
                            KELT_WriteDefSptsPrefs, KELT_GetCurrDefSptsPrefs>("spts", "KELTDefSptsPrefs");
const Kind kReport =
    MakeKind<STRUCT_REPORT_PREFS, KELT_ResetDefReportPrefs, KELT_ValidateReportPrefs, KELT_ReadDefReportPrefs,
             KELT_WriteDefReportPrefs, KELT_GetCurrDefReportPrefs>("report", "KELTDefRptPrefs");
const Kind kGlobal =
    MakeKind<STRUCT_GLOBAL_PREFS, KELT_ResetDefGlobalPrefs, KELT_ValidateGlobalPrefs, KELT_ReadDefGlobalPrefs,
             KELT_WriteDefGlobalPrefs, KELT_GetCurrDefGlobalPrefs>("global", "KELTDefGlobalPrefs");
const Kind* const kKinds[] = {&kChro, &kSpts, &kReport, &kGlobal};

Bytes Defaults(const Kind& k) {
  Bytes b(k.size, 0xAB);
  k.reset(b.data());
  return b;
}

Bytes Current(const Kind& k) {
  Bytes b(k.size, 0xAB);
  k.current(b.data());
  return b;
}

void Put(Bytes& b, size_t off, const void* v, size_t n) {
  ASSERT_LE(off + n, b.size());
  std::memcpy(b.data() + off, v, n);
}
void Put16(Bytes& b, size_t off, int16_t v) { Put(b, off, &v, 2); }
void Put32(Bytes& b, size_t off, uint32_t v) { Put(b, off, &v, 4); }
void PutF64(Bytes& b, size_t off, double v) { Put(b, off, &v, 8); }

// Where two images differ first, for readable failures.
std::string FirstDifference(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i])
      return "byte " + std::to_string(i) + ": " + std::to_string(a[i]) + " vs " + std::to_string(b[i]);
  return "none";
}

// ---- Expected factory images, built from the stored layout alone ---------------

struct Image {
  explicit Image(size_t n) : b(n, 0) {}
  Image& I16(size_t off, int16_t v) { return Raw(off, &v, 2); }
  Image& U32(size_t off, uint32_t v) { return Raw(off, &v, 4); }
  Image& Colors(size_t off, std::initializer_list<uint32_t> colors) {
    for (uint32_t c : colors) U32(off, c), off += 4;
    return *this;
  }
  Image& Font(size_t off, int32_t height, uint8_t pitch, const char* face) {
    Raw(off, &height, 4);
    U32(off + 16, 400);
    b[off + 27] = pitch;
    return Raw(off + 28, face, std::strlen(face));
  }
  // Label or marker head: transparent, colours, font source, font, angle.
  Image& Marker(size_t off, uint32_t back, uint32_t screen, uint32_t print, bool font, uint32_t angle) {
    I16(off, 1).U32(off + 2, back).U32(off + 6, screen).U32(off + 10, print).I16(off + 14, 1);
    if (font) Font(off + 16, 16, 4, "Arial");
    return U32(off + 76, angle);
  }
  Image& Raw(size_t off, const void* v, size_t n) {
    std::memcpy(b.data() + off, v, n);
    return *this;
  }
  Bytes b;
};

constexpr std::initializer_list<uint32_t> kPlotColors = {
    0xFFFFFF, 0x000000, 0x0000FF, 0x008000, 0x0080FF, 0xFF0000, 0xFF00FF, 0x00FF00, 0x800080, 0x0000FF, 0x008000,
    0x0080FF, 0xFF0000, 0xFF00FF, 0x00FF00, 0x800080, 0x0000FF, 0x008000, 0x0080FF, 0xFF0000, 0xFF00FF, 0x00FF00};

Bytes ExpectedChro() {
  Image m(960);
  m.Colors(4, kPlotColors).U32(92, 0xC0C0C0).I16(96, 0).I16(98, 1);
  m.Marker(100, 0xFFFFFF, 0, 0, true, 0).I16(180, 1).I16(182, 1);            // label
  m.I16(192, 1).I16(198, 20).I16(200, 10).I16(202, 4);                       // axis, flag 0
  m.I16(226, 1).I16(232, 20).I16(234, 10).I16(236, 5);                       // axis, flag 1
  m.Font(260, 16, 4, "Arial");                                               // control font
  for (size_t off = 320; off <= 330; off += 2) m.I16(off, 1);                // result annotations
  m.I16(334, 1).I16(336, 1).I16(356, 300);
  m.Marker(358, 0xFFFFFF, 0, 0, true, 900).I16(358 + 84, 1);
  m.I16(454, 1).I16(456, 1).I16(478, 1).I16(480, 2).I16(504, 300);           // AMDIS annotations
  m.Marker(506, 0xFFFFFF, 0xFF0000, 0xFF0000, true, 900);
  m.I16(598, 1).I16(600, 1).I16(602, 4).I16(618, 300);                       // target annotations
  m.Marker(620, 0xFFFFFF, 0x0000FF, 0x0000FF, true, 900);
  m.I16(712, 1).I16(714, 2).Marker(716, 0xFFFFFF, 0, 0, true, 0);            // drawing
  m.I16(812, 1).I16(814, 40);
  m.I16(816, 1).I16(818, 1).I16(820, 1).I16(822, 1);                         // features
  m.I16(832, 1).I16(838, 4);                                                 // plot data
  m.I16(840, 1).I16(842, 1).I16(848, 3).I16(850, 2).I16(852, 0).I16(854, 6);  // titles
  m.Marker(868, 0xFFFFFF, 0, 0, true, 0);                                    // noise
  return m.b;
}

Bytes ExpectedSpts() {
  Image m(478);
  m.Colors(4, {0xFFFFFF, 0x000000, 0x0000FF, 0x808080, 0x000080, 0x008000, 0x0000FF, 0x00FF00, 0xFF0000, 0x400040});
  m.Marker(50, 0xFFFFFF, 0, 0, true, 0).I16(130, 1).I16(132, 1);  // label
  m.I16(142, 1).I16(148, 20).I16(150, 10).I16(152, 4);
  m.I16(176, 1).I16(182, 20).I16(184, 10).I16(186, 5);
  m.I16(210, 1).I16(212, 1).I16(218, 1).I16(220, 1).I16(222, 25).I16(224, 1).I16(226, 2);  // drawing
  m.Font(252, 16, 4, "Arial");
  m.I16(316, 1).I16(320, 4).I16(324, 1);                                                   // features
  m.I16(326, 1).I16(328, 1).I16(330, 1).I16(332, 1);                                       // titles
  m.I16(342, 1).I16(344, 0);
  m.I16(364, 4).I16(366, 5).I16(368, 6).I16(370, 8).I16(372, 7);
  m.I16(386, 2).I16(388, 1).I16(390, 17);
  m.I16(408, 10);
  const int16_t list4[] = {9, 10, 11, 12, 13, 3, 2, 4, 14, 15};
  for (int i = 0; i < 10; ++i) m.I16(410 + 2 * i, list4[i]);
  m.I16(430, 1).I16(434, 7).I16(436, 1);  // profile
  return m.b;
}

Bytes ExpectedReport() {
  Image m(880);
  m.Colors(4, {0xFFFFFF, 0x000000, 0x0000FF, 0x808040, 0x000080, 0x008000, 0x0000FF, 0x00FF00, 0xFF0000, 0x400040});
  m.Colors(46, kPlotColors).U32(134, 0x000000);
  m.I16(138, 1).I16(144, 300).I16(146, 100).I16(148, 120);  // spectra axes
  m.I16(172, 1).I16(178, 300).I16(180, 100).I16(182, 100);
  m.I16(206, 1).I16(212, 300).I16(214, 100).I16(216, 120);  // chromatogram axes
  m.I16(240, 1).I16(246, 300).I16(248, 100).I16(250, 100);
  for (size_t off = 274; off <= 282; off += 2) m.I16(off, 1);
  m.I16(284, 25);
  m.I16(290, 1).I16(292, 1).I16(294, 1).I16(296, 5);
  m.I16(306, 364).I16(308, 464).I16(310, 664);
  m.Font(312, 0, 0x35, "Courier New").Font(372, 0, 4, "Arial");
  m.I16(694, 1).I16(700, 1).I16(702, 1).I16(704, 1);  // spooler
  m.I16(708, 1).I16(710, 2).Marker(712, 0x000000, 0xFFFFFF, 0, false, 0).I16(808, 1).I16(810, 40);
  m.I16(812, 1).I16(816, 25);
  m.I16(836, 20);
  return m.b;
}

Bytes ExpectedGlobal() {
  Image m(204);
  m.Font(4, 13, 0x35, "Courier New").Font(64, 13, 4, "Arial");
  m.I16(184, 1).I16(186, 1).I16(190, 20);
  m.I16(200, 1).I16(202, 2);
  return m.b;
}

// ---- Fixture: a fresh workstation root -------------------------------------------

class PreferenceRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kelt-prefs-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
    prefs::SetPrefEnvironment(prefs::PrefEnvironment{});
    prefs::SetPreferencesIniPath("");
    ClearDefaults();
  }
  void TearDown() override {
    prefs::SetPrefEnvironment(prefs::PrefEnvironment{});
    prefs::SetPreferencesIniPath("");
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  // A new run: the library's default copies start empty again.
  static void ClearDefaults() {
    std::memset(&prefs::DefaultChroPrefs(), 0, sizeof(STRUCT_CHRO_PREFS));
    std::memset(&prefs::DefaultSptsPrefs(), 0, sizeof(STRUCT_SPTS_PREFS));
    std::memset(&prefs::DefaultReportPrefs(), 0, sizeof(STRUCT_REPORT_PREFS));
    std::memset(&prefs::DefaultGlobalPrefs(), 0, sizeof(STRUCT_GLOBAL_PREFS));
  }
  static std::string Ini() { return prefs::PreferencesIniPath(); }
  static std::string StoredText(const char* section) {
    std::vector<char> buf(4096);
    GetPrivateProfileStringA(section, "Params", "", buf.data(), static_cast<DWORD>(buf.size()), Ini().c_str());
    return buf.data();
  }
  static void StoreText(const char* section, const std::string& text) {
    ASSERT_TRUE(WritePrivateProfileStringA(section, "Params", text.c_str(), Ini().c_str()));
  }
  static void StoreBytes(const char* section, const Bytes& b) {
    ASSERT_TRUE(WritePrivateProfileStructA(section, "Params", b.data(), static_cast<UINT>(b.size()), Ini().c_str()));
  }
  // The record stored under a section, or empty when it cannot be read.
  static Bytes Stored(const Kind& k, const char* section) {
    Bytes b(k.size);
    if (!GetPrivateProfileStructA(section, "Params", b.data(), static_cast<UINT>(k.size), Ini().c_str())) return {};
    return b;
  }
  std::string root_;
};

// ---- Factory values ----------------------------------------------------------------

TEST_F(PreferenceRecordsTest, FactoryRecordsHaveTheStoredLayout) {
  const struct {
    const Kind* kind;
    Bytes expected;
  } cases[] = {{&kChro, ExpectedChro()}, {&kSpts, ExpectedSpts()}, {&kReport, ExpectedReport()},
               {&kGlobal, ExpectedGlobal()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind->name);
    Bytes b = Defaults(*c.kind);
    EXPECT_EQ(b, c.expected) << FirstDifference(b, c.expected);
    EXPECT_FALSE(c.kind->validate(b.data())) << "a factory record must pass its own checks";
  }
}

TEST_F(PreferenceRecordsTest, FontsFollowTheEnvironment) {
  prefs::PrefEnvironment env;
  env.trueTypeAvailable = false;
  env.markerFontHeight = 18;
  env.generalFontHeight = 15;
  prefs::SetPrefEnvironment(env);

  Image chro(960);
  chro.Font(260, 18, 18, "Arial");
  Bytes c = Defaults(kChro);
  EXPECT_TRUE(std::equal(c.begin() + 260, c.begin() + 320, chro.b.begin() + 260));

  Image global(204);
  global.Font(4, 15, 0x31, "Courier").Font(64, 15, 18, "Arial");
  Bytes g = Defaults(kGlobal);
  EXPECT_TRUE(std::equal(g.begin() + 4, g.begin() + 124, global.b.begin() + 4));
}

TEST_F(PreferenceRecordsTest, ScreenTickLengthsFollowTheDisplayTextHeight) {
  const struct {
    int32_t textHeight;
    int16_t major, minor;
  } cases[] = {{0, 20, 10}, {16, 8, 4}, {19, 9, 4}, {1000, 100, 100}};
  for (const auto& c : cases) {
    prefs::PrefEnvironment env;
    env.displayTextHeight = c.textHeight;
    prefs::SetPrefEnvironment(env);
    STRUCT_AXIS_PARAMS axis;
    KELT_ResetAxisParams(0, 0, 1, &axis);
    EXPECT_EQ(+axis.majorTickLength, c.major) << c.textHeight;
    EXPECT_EQ(+axis.minorTickLength, c.minor) << c.textHeight;
    // Report sizes do not depend on the display.
    KELT_ResetAxisParams(0, 0, 0, &axis);
    EXPECT_EQ(+axis.majorTickLength, 300);
    // However tall the display's text, a factory record passes its checks.
    Bytes b = Defaults(kChro);
    EXPECT_FALSE(kChro.validate(b.data())) << c.textHeight;
  }
}

TEST_F(PreferenceRecordsTest, MarkersWithoutAnOwnerTakeTheirOwnColours) {
  STRUCT_MARKER_PARAMS m;
  std::memset(&m, 0x5A, sizeof m);
  KELT_ResetAnnMarkerParams(&m, nullptr, nullptr);
  EXPECT_EQ(+m.backColor, 0xFFFFFFu);
  EXPECT_EQ(+m.screenColor, 0x000000u);
  EXPECT_EQ(+m.angle, 900);
  EXPECT_EQ(+m.peakBoxStyle, 1);
  LOGFONTA zero{};
  EXPECT_EQ(std::memcmp(&m.font, &zero, sizeof zero), 0);

  KELT_ResetSignalNoiseMarkerParams(&m, nullptr, nullptr);
  EXPECT_EQ(+m.backColor, 0x000000u);
  EXPECT_EQ(+m.screenColor, 0xFFFFFFu);
  EXPECT_EQ(+m.angle, 0);
  EXPECT_EQ(+m.peakBoxStyle, 0);

  // With an owner: its first two colours, and its font at the marker height.
  const COLORREF owner[2] = {0x123456, 0x654321};
  LOGFONTA font{};
  font.lfHeight = 40;
  std::memcpy(font.lfFaceName, "Owner", 5);
  KELT_ResetAMDISMarkerParams(&m, owner, &font);
  EXPECT_EQ(+m.backColor, 0x123456u);
  EXPECT_EQ(+m.screenColor, 0x654321u);
  EXPECT_EQ(+m.font.lfHeight, 16);
  EXPECT_STREQ(m.font.lfFaceName, "Owner");
  // A label keeps the owner's font as it is.
  KELT_ResetChroLabelParams(&m, owner, &font);
  EXPECT_EQ(+m.font.lfHeight, 40);
}

// ---- Storage -------------------------------------------------------------------------

TEST_F(PreferenceRecordsTest, IniFileLiesInTheProgramFolder) {
  EXPECT_EQ(Ini(), "C:\\Workstation\\tolview3.ini");
  prefs::SetPreferencesIniPath("C:\\TEMP\\other.ini");
  EXPECT_EQ(Ini(), "C:\\TEMP\\other.ini");
  STRUCT_GLOBAL_PREFS g;
  EXPECT_TRUE(KELT_ReadDefGlobalPrefs(&g, nullptr));
  EXPECT_TRUE(std::filesystem::exists(root_ + "/c/TEMP/other.ini"));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/c/Workstation/tolview3.ini"));
}

TEST_F(PreferenceRecordsTest, MissingIniFileGivesFactoryRecordsAndWritesThem) {
  ASSERT_FALSE(std::filesystem::exists(win::paths::ToHost(Ini())));
  prefs::ReadAllDefaultPrefs();
  for (const Kind* k : kKinds) {
    SCOPED_TRACE(k->name);
    EXPECT_EQ(Current(*k), Defaults(*k));
    EXPECT_EQ(Stored(*k, k->section), Defaults(*k));
    // Stored as hexadecimal of the bytes plus a checksum byte.
    EXPECT_EQ(StoredText(k->section).size(), 2 * k->size + 2);
  }
  // The general record: time stamp 0, then the fixed font's height 13.
  EXPECT_EQ(StoredText("KELTDefGlobalPrefs").substr(0, 16), "000000000D000000");
}

// What one run writes, the next run reads back byte for byte.
TEST_F(PreferenceRecordsTest, RecordsWrittenInOneRunAreReadBackByTheNext) {
  Bytes chro = Defaults(kChro), spts = Defaults(kSpts), report = Defaults(kReport), global = Defaults(kGlobal);
  Put32(chro, 0, 0x5F000001);     // time stamp
  Put32(chro, 4, 0x00102030);     // background colour
  Put16(chro, 822, 5);            // points to average
  Put16(spts, 222, 60);
  Put16(report, 706, 2);          // landscape
  Put(report, 434, "C:\\Workstation\\tolview3.ini", 28);  // a spool file that exists
  Put16(global, 202, 5);
  PutF64(global, 192, 0.25);
  const std::pair<const Kind*, Bytes*> records[] = {{&kChro, &chro}, {&kSpts, &spts}, {&kReport, &report},
                                                    {&kGlobal, &global}};
  for (auto [k, b] : records) {
    ASSERT_FALSE(k->validate(b->data())) << k->name;
    EXPECT_TRUE(k->write(b->data(), nullptr)) << k->name;
    EXPECT_EQ(Current(*k), *b) << k->name;
  }

  ClearDefaults();
  prefs::ReadAllDefaultPrefs();
  for (auto [k, b] : records) {
    SCOPED_TRACE(k->name);
    EXPECT_EQ(Current(*k), *b) << FirstDifference(Current(*k), *b);
    Bytes again(k->size);
    EXPECT_FALSE(k->read(again.data(), k->section));  // valid: nothing written
    EXPECT_EQ(again, *b);
  }
}

TEST_F(PreferenceRecordsTest, ValidStoredRecordIsReadWithoutWriting) {
  // Stored in lower case, which a write would turn to upper case.
  StoreBytes("KELTDefSptsPrefs", Defaults(kSpts));
  std::string text = StoredText("KELTDefSptsPrefs");
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  StoreText("KELTDefSptsPrefs", text);

  STRUCT_SPTS_PREFS p;
  EXPECT_FALSE(KELT_ReadDefSptsPrefs(&p, nullptr));
  EXPECT_EQ(StoredText("KELTDefSptsPrefs"), text);
  Bytes b(sizeof p);
  std::memcpy(b.data(), &p, sizeof p);
  EXPECT_EQ(b, Defaults(kSpts));
}

TEST_F(PreferenceRecordsTest, DamagedStoredValuesAreResetAndWrittenBack) {
  for (const Kind* k : kKinds) {
    StoreBytes(k->section, Defaults(*k));
    const std::string good = StoredText(k->section);
    std::string badSum = good;
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    std::string badHex = good;
    badHex[10] = 'G';
    const struct {
      const char* what;
      std::string text;
    } cases[] = {{"one byte short", good.substr(2)},
                 {"one byte long", "00" + good},
                 {"wrong checksum", badSum},
                 {"not hexadecimal", badHex},
                 {"empty", ""},
                 {"another record's value", std::string(2 * 100 + 2, '0')}};
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(k->name) + ": " + c.what);
      // Something else in the library's copy, to see it replaced.
      Bytes marker(k->size, 0x77);
      ASSERT_TRUE(k->write(marker.data(), nullptr));
      StoreText(k->section, c.text);
      Bytes b(k->size, 0xEE);
      EXPECT_TRUE(k->read(b.data(), nullptr));
      EXPECT_EQ(b, Defaults(*k));
      EXPECT_EQ(Stored(*k, k->section), Defaults(*k));
      EXPECT_EQ(Current(*k), Defaults(*k));
    }
  }
}

// ---- Ranges --------------------------------------------------------------------------

struct BadField {
  const Kind* kind;
  const char* what;
  size_t offset;
  int width;  // 2: i16, 4: i32, 8: f64, 1: byte
  double value;
};

const BadField kBadFields[] = {
    {&kChro, "fade kind", 98, 2, 2},
    {&kChro, "label transparent flag", 100, 2, 2},
    {&kChro, "label angle", 176, 4, 3601},
    {&kChro, "label pointer mode", 182, 2, 3},
    {&kChro, "axis major tick style", 194, 2, 4},
    {&kChro, "screen axis tick length 101", 232, 2, 101},
    {&kChro, "screen axis minor spacing", 236, 2, 21},
    {&kChro, "axis label mode", 206, 2, -1},
    {&kChro, "result annotation flag", 332, 2, 2},
    {&kChro, "result item count", 334, 2, 11},
    {&kChro, "result item", 336, 2, 10},
    {&kChro, "result text size", 356, 2, 199},
    {&kChro, "result marker angle", 434, 4, 3601},
    {&kChro, "result marker flag", 448, 2, 2},
    {&kChro, "AMDIS ELU flag", 452, 2, 2},
    {&kChro, "AMDIS second count", 478, 2, 13},
    {&kChro, "AMDIS second item", 480, 2, 12},
    {&kChro, "target count", 600, 2, 9},
    {&kChro, "target item", 602, 2, 8},
    {&kChro, "target marker font source", 634, 2, 2},
    {&kChro, "drawing line width", 714, 2, 0},
    {&kChro, "drawing marker angle", 792, 4, -1},
    {&kChro, "drawing value at 102", 814, 2, 120},
    {&kChro, "points to average", 822, 2, 2},
    {&kChro, "click-and-drag mode 7", 824, 2, 7},
    {&kChro, "single-click mode", 826, 2, 5},
    {&kChro, "plot data value at 4 too low", 832, 2, 0},
    {&kChro, "plot data value at 10", 838, 2, 21},
    {&kChro, "title flag", 846, 2, 2},
    {&kChro, "title count", 848, 2, 9},
    {&kChro, "title item", 850, 2, 8},
    {&kChro, "noise flag", 866, 2, 2},
    {&kSpts, "mark-masses flag", 44, 2, 2},
    {&kSpts, "label position mode", 130, 2, 3},
    {&kSpts, "axis minor division", 188, 2, 2},
    {&kSpts, "drawing value at 12", 222, 2, 96},
    {&kSpts, "horizontal mode", 226, 2, 3},
    {&kSpts, "transform", 314, 2, 1000},
    {&kSpts, "page mode", 322, 2, 3},
    {&kSpts, "title reserved byte", 334, 1, 1},
    {&kSpts, "title list count", 342, 2, 11},
    {&kSpts, "title item", 410, 2, 20},
    {&kSpts, "search points even", 434, 2, 8},
    {&kSpts, "search points 53", 434, 2, 53},
    {&kSpts, "profile reserved byte", 440, 1, 1},
    {&kSpts, "profile spare value", 454, 8, 1.0},
    {&kSpts, "profile spare NaN", 446, 8, std::numeric_limits<double>::quiet_NaN()},
    {&kReport, "report mark-masses flag", 44, 2, 2},
    {&kReport, "report axis tick length 501", 144, 2, 501},
    {&kReport, "chromatogram axis label mode", 254, 2, 4},
    {&kReport, "spectra report flag", 282, 2, 2},
    {&kReport, "spectra report pen width", 284, 2, 121},
    {&kReport, "spectra report reserved", 286, 1, 1},
    {&kReport, "label threshold", 296, 2, 96},
    {&kReport, "spectra plots reserved", 304, 1, 1},
    {&kReport, "font size", 310, 2, 1201},
    {&kReport, "preview flag", 694, 2, 2},
    {&kReport, "top margin", 700, 2, 46},
    {&kReport, "orientation", 706, 2, 3},
    {&kReport, "drawing line width", 710, 2, 11},
    {&kReport, "chromatogram report flag", 822, 2, 2},
    {&kReport, "chromatogram pen width", 816, 2, -1},
    {&kReport, "calibration value", 836, 2, 121},
    {&kReport, "calibration reserved", 840, 1, 1},
    {&kReport, "calibration spare value", 870, 8, -0.5},
    {&kReport, "miscellaneous flag", 878, 2, 2},
    {&kGlobal, "feature flag", 184, 2, 2},
    {&kGlobal, "feature value at 2", 186, 2, 11},
    {&kGlobal, "format word", 190, 2, 21},
    {&kGlobal, "mass offset 0.41", 192, 8, 0.41},
    {&kGlobal, "mass offset negative", 192, 8, -0.01},
    {&kGlobal, "mass offset NaN", 192, 8, std::numeric_limits<double>::quiet_NaN()},
    {&kGlobal, "notation flag", 200, 2, 2},
    {&kGlobal, "exponent threshold", 202, 2, 6},
};

void Apply(Bytes& b, const BadField& f) {
  if (f.width == 1) b.at(f.offset) = static_cast<uint8_t>(f.value);
  if (f.width == 2) Put16(b, f.offset, static_cast<int16_t>(f.value));
  if (f.width == 4) Put32(b, f.offset, static_cast<uint32_t>(static_cast<int32_t>(f.value)));
  if (f.width == 8) PutF64(b, f.offset, f.value);
}

// A record whose every sub-record differs from the factory values where it
// can, so that a whole-record reset shows everywhere.
Bytes Customised(const Kind& k) {
  Bytes b = Defaults(k);
  if (&k == &kChro) Put32(b, 8, 0x112233), Put(b, 288, "Custom", 7);
  if (&k == &kSpts) Put32(b, 8, 0x112233), Put16(b, 226, 0);
  if (&k == &kReport) Put32(b, 8, 0x112233), Put16(b, 696, 10);
  if (&k == &kGlobal) Put16(b, 186, 7), Put(b, 32, "Custom", 7);
  Put32(b, 0, 12345);
  return b;
}

TEST_F(PreferenceRecordsTest, OneFieldOutOfRangeResetsTheWholeRecord) {
  for (const BadField& f : kBadFields) {
    SCOPED_TRACE(std::string(f.kind->name) + ": " + f.what);
    Bytes b = Customised(*f.kind);
    ASSERT_FALSE(f.kind->validate(b.data())) << "the customised record itself must be valid";
    b = Customised(*f.kind);
    Apply(b, f);
    EXPECT_TRUE(f.kind->validate(b.data()));
    EXPECT_EQ(b, Defaults(*f.kind)) << FirstDifference(b, Defaults(*f.kind));
  }
}

TEST_F(PreferenceRecordsTest, StoredRecordOutOfRangeIsResetAndWrittenBack) {
  for (const Kind* k : kKinds) {
    SCOPED_TRACE(k->name);
    const BadField* bad = nullptr;
    for (const BadField& f : kBadFields)
      if (f.kind == k) bad = &f;
    Bytes b = Customised(*k);
    Apply(b, *bad);
    StoreBytes(k->section, b);
    Bytes read(k->size);
    EXPECT_TRUE(k->read(read.data(), nullptr));
    EXPECT_EQ(read, Defaults(*k));
    EXPECT_EQ(Stored(*k, k->section), Defaults(*k));
    EXPECT_EQ(Current(*k), Defaults(*k));
  }
}

TEST_F(PreferenceRecordsTest, EdgeValuesThatAreAccepted) {
  const BadField accepted[] = {
      {&kReport, "report axis tick length 101", 144, 2, 101},
      {&kReport, "report axis minor spacing 500", 182, 2, 500},
      {&kChro, "plot data value at 4 of 5", 832, 2, 5},
      {&kChro, "result items beyond the count", 338, 2, 50},
      {&kChro, "label font source 0 with any font", 114, 2, 0},
      {&kChro, "axis integer steps", 208, 2, -7},
      {&kSpts, "search points 51", 434, 2, 51},
      {&kSpts, "charge state", 436, 2, -3},
      {&kReport, "bottom margin", 702, 2, 99},
      {&kGlobal, "mass offset exactly 0.4", 192, 8, 0.4},
      {&kGlobal, "third font bytes", 150, 1, 7},
  };
  for (const BadField& f : accepted) {
    SCOPED_TRACE(std::string(f.kind->name) + ": " + f.what);
    Bytes b = Customised(*f.kind);
    Apply(b, f);
    const Bytes before = b;
    EXPECT_FALSE(f.kind->validate(b.data()));
    EXPECT_EQ(b, before);
  }
}

TEST_F(PreferenceRecordsTest, DependentRanges) {
  // The value at plot-data byte 4 must be at least 2 when byte 6 is 1.
  Bytes b = Defaults(kChro);
  Put16(b, 834, 1);
  Put16(b, 832, 1);
  EXPECT_TRUE(kChro.validate(b.data()));
  b = Defaults(kChro);
  Put16(b, 834, 1);
  Put16(b, 832, 2);
  EXPECT_FALSE(kChro.validate(b.data()));

  // Research mode allows click-and-drag mode 7.
  prefs::PrefEnvironment env;
  env.canShowHalfHeights = 1;
  prefs::SetPrefEnvironment(env);
  b = Defaults(kChro);
  Put16(b, 824, 7);
  EXPECT_FALSE(kChro.validate(b.data()));
  Put16(b, 824, 8);
  EXPECT_TRUE(kChro.validate(b.data()));
}

TEST_F(PreferenceRecordsTest, SpoolFileThatNoLongerExistsIsForgotten) {
  STRUCT_REPORT_PREFS p;
  KELT_ResetDefReportPrefs(&p);
  std::strcpy(p.spooler.spoolFile, "C:\\TEMP\\gone.spl");
  p.spooler.marginLeft = 12;
  EXPECT_FALSE(KELT_ValidateReportPrefs(&p));
  EXPECT_EQ(+p.spooler.spoolFile[0], 0);
  EXPECT_EQ(+p.spooler.marginLeft, 12);

  // One that exists stays.
  STRUCT_GLOBAL_PREFS g;
  ASSERT_TRUE(KELT_ReadDefGlobalPrefs(&g, nullptr));  // creates the ini file
  std::strcpy(p.spooler.spoolFile, "c:\\workstation\\TOLVIEW3.INI");
  EXPECT_FALSE(KELT_ValidateReportPrefs(&p));
  EXPECT_STREQ(p.spooler.spoolFile, "c:\\workstation\\TOLVIEW3.INI");

  // A path with no terminator inside its field is damage.
  std::memset(p.spooler.spoolFile, 'a', sizeof p.spooler.spoolFile);
  EXPECT_TRUE(KELT_ValidateReportPrefs(&p));
  EXPECT_EQ(+p.spooler.marginLeft, 0);
}

TEST_F(PreferenceRecordsTest, GeneralRecordOfAnotherFormatWordIsTakenAsCurrent) {
  Bytes b = Customised(kGlobal);
  Put16(b, 190, 19);
  StoreBytes("KELTDefGlobalPrefs", b);
  STRUCT_GLOBAL_PREFS g;
  EXPECT_FALSE(KELT_ReadDefGlobalPrefs(&g, nullptr));
  EXPECT_EQ(+g.features.formatWord, 20);
  EXPECT_EQ(+g.features.value2, 7);
}

// ---- Default copies and callers' sections ---------------------------------------------

TEST_F(PreferenceRecordsTest, CallersMissingSectionAlsoResetsTheLibraryDefaults) {
  Bytes mine = Customised(kChro);
  ASSERT_TRUE(kChro.write(mine.data(), nullptr));

  // A missing caller's section gets the factory record, written there and,
  // like every write, into the library's default copy too.
  Bytes b(kChro.size);
  EXPECT_TRUE(kChro.read(b.data(), "PreviewPlot"));
  EXPECT_EQ(b, Defaults(kChro));
  EXPECT_EQ(Stored(kChro, "PreviewPlot"), Defaults(kChro));
  EXPECT_EQ(Current(kChro), Defaults(kChro));
  // The default section in the file is not touched.
  EXPECT_EQ(Stored(kChro, "KELTDefChroPrefs"), mine);

  // An invalid caller's section does the same.
  ASSERT_TRUE(kChro.write(mine.data(), nullptr));
  Bytes bad = Customised(kChro);
  Put16(bad, 826, 5);  // single-click mode out of range
  StoreBytes("PreviewPlot", bad);
  ASSERT_TRUE(kChro.validate(Bytes(bad).data()));
  EXPECT_TRUE(kChro.read(b.data(), "PreviewPlot"));
  EXPECT_EQ(b, Defaults(kChro));
  EXPECT_EQ(Current(kChro), Defaults(kChro));

  // A valid caller's section is read as it is: result 0, nothing written,
  // the library's copy kept.
  ASSERT_TRUE(kChro.write(mine.data(), nullptr));
  Bytes other = Customised(kChro);
  Put16(other, 826, 3);
  StoreBytes("PreviewPlot", other);
  const std::string text = StoredText("PreviewPlot");
  EXPECT_FALSE(kChro.read(b.data(), "PreviewPlot"));
  EXPECT_EQ(b, other);
  EXPECT_EQ(Current(kChro), mine);
  EXPECT_EQ(StoredText("PreviewPlot"), text);

  // Writing a caller's section replaces the library's copy as well.
  EXPECT_TRUE(kChro.write(other.data(), "PreviewPlot"));
  EXPECT_EQ(Current(kChro), other);
  EXPECT_EQ(Stored(kChro, "KELTDefChroPrefs"), mine);
}

TEST_F(PreferenceRecordsTest, FailedWriteIsReported) {
  prefs::SetPreferencesIniPath("C:\\NoSuchFolder\\Deeper\\tolview3.ini");
  for (const Kind* k : kKinds) {
    SCOPED_TRACE(k->name);
    Bytes b(k->size, 0xEE);
    EXPECT_FALSE(k->read(b.data(), nullptr));
    EXPECT_EQ(b, Defaults(*k)) << "the record is usable even when it cannot be stored";
    EXPECT_FALSE(k->write(b.data(), nullptr));
  }
}

TEST_F(PreferenceRecordsTest, NullRecordsAreRefused) {
  for (const Kind* k : kKinds) {
    k->reset(nullptr);
    k->current(nullptr);
    EXPECT_FALSE(k->validate(nullptr));
    EXPECT_FALSE(k->read(nullptr, nullptr));
    EXPECT_FALSE(k->write(nullptr, nullptr));
  }
  KELT_ResetAxisParams(0, 0, 1, nullptr);
  KELT_ResetChroLabelParams(nullptr, nullptr, nullptr);
  KELT_ResetSpoolerParams(nullptr);
  KELT_ResetCtrlFontParams(nullptr);
  EXPECT_FALSE(std::filesystem::exists(win::paths::ToHost(Ini())));
}

}  // namespace
