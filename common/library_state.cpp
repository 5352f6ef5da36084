// The display library's process-wide state and the steps of its start-up
// and shut-down that need nothing above this floor. The order of the
// steps, and the window classes registered between them, are the
// library's start-up (library/library_module.cpp).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "common/last_files.h"
#include "common/library_startup_steps.h"
#include "common/library_state.h"
#include "common/preference_records.h"
#include "framework/framework_module.h"
#include "orvik32/orvik32.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_commctrl.h"
#include "win/win_crt.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_locale.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace kelt::lib {
namespace {

// ---- The state (plain data: usable whatever order static set-up takes) ------

struct State {
  bool attached = false;
  HMODULE module = nullptr;
  unsigned int controlWord = 0;
  UINT notifyWhenChanged = 0;
  UINT loginChange = 0;
  char helpPath[MAX_PATH] = {};
  char reportHelpPath[MAX_PATH] = {};
  char settingsPath[MAX_PATH] = {};
  char preferencesPath[MAX_PATH] = {};
  char lastFilesPath[MAX_PATH] = {};
  LoadSettings settings;
  int32_t colourDepth = 2;
  TEXTMETRICA metrics = {};
  bool haveMetrics = false;
  int16_t markerFontHeight = 16;
  int16_t generalFontHeight = 13;
  NUMBERFMTA numberFormat = {};
  char* decimalSep = nullptr;   // common allocator blocks
  char* thousandSep = nullptr;
  char* listSep = nullptr;
};

constinit State g_state;
constinit FrameworkExtensionModule g_extension;
CDynLinkLibrary* g_dynLink = nullptr;

std::mutex& StepMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::vector<std::string>& Steps() {
  static auto* steps = new std::vector<std::string>;
  return *steps;
}

char g_emptyText[1] = {0};

// ---- Steps ---------------------------------------------------------------------

// Anything in this library's own text, for finding the module it lives in.
void ModuleAnchor() {}

HMODULE FindOwnModule() {
  // The library is linked by the host or loaded by name; either way the
  // loader knows it by its file name.
  if (HMODULE m = GetModuleHandleA("kelt32.dll")) return m;
  (void)&ModuleAnchor;
  return nullptr;
}

void BuildPath(char* out, const char* folder, const char* name) {
  std::snprintf(out, MAX_PATH, "%s%s%s", folder, *folder ? "\\" : "", name);
}

void BuildPaths() {
  char folder[MAX_PATH + 1] = {};
  if (!GetProgramDirectory(folder)) folder[0] = 0;
  folder[MAX_PATH - 20] = 0;  // leaves room for the longest file name below
  BuildPath(g_state.helpPath, folder, "kelt.hlp");
  BuildPath(g_state.reportHelpPath, folder, "MSReport.hlp");
  BuildPath(g_state.settingsPath, folder, "tolview.ini");
  BuildPath(g_state.preferencesPath, folder, "tolview3.ini");
  BuildPath(g_state.lastFilesPath, folder, "tolview4.ini");
  // The preference records build the same path from the program folder.
}

// Text of at most 100 characters scanned with "%d"; taken only within the range.
void ReadSetting(const char* file, const char* section, const char* key, int32_t low, int32_t high, int32_t& value) {
  Step(std::string("attach:setting:") + key);
  char text[101] = {};
  GetPrivateProfileStringA(section, key, "", text, sizeof text, file);
  // As "%d" reads it, but a number too long for an int is refused, not undefined.
  errno = 0;
  char* end = nullptr;
  const long read = std::strtol(text, &end, 10);
  if (end != text && errno == 0 && read >= low && read <= high) value = static_cast<int32_t>(read);
}

void ReadSettings() {
  LoadSettings& s = g_state.settings;
  s = LoadSettings{};
  const char* ini = g_state.settingsPath;
  ReadSetting(ini, "TOLVIEW", "SearchWindowWidth", 50, 1000, s.searchWindowWidth);
  ReadSetting(ini, "TOLVIEW", "NoiseWindowWidth", 1, 49, s.noiseWindowWidth);
  ReadSetting("CanUseAMDIS.ini", "CanUseAMDIS", "ForXMSFiles", 0, 1, s.amdisForXmsFiles);
  ReadSetting(ini, "CanShowHalfHeights", "CanShowHalfHeights", 0, 1, s.canShowHalfHeights);
  ReadSetting(ini, "OldSptTitles", "OldSptTitles", 0, 1, s.oldSptTitles);
  ReadSetting(ini, "DeconForCentroid", "DeconForCentroid", 0, 1, s.deconForCentroid);
}

void MeasureDisplay() {
  g_state.colourDepth = 2;
  g_state.haveMetrics = false;
  g_state.metrics = {};
  g_state.markerFontHeight = 16;
  g_state.generalFontHeight = 13;
  if (HDC ic = CreateICA("DISPLAY", nullptr, nullptr, nullptr)) {
    g_state.colourDepth = GetDeviceCaps(ic, BITSPIXEL) * GetDeviceCaps(ic, PLANES);
    g_state.haveMetrics = GetTextMetricsA(ic, &g_state.metrics) != FALSE;
    DeleteDC(ic);
  }
  if (g_state.haveMetrics) {
    g_state.markerFontHeight = static_cast<int16_t>(g_state.metrics.tmHeight);
    g_state.generalFontHeight = static_cast<int16_t>(g_state.metrics.tmHeight);
  }
}

void SetRecordEnvironment() {
  prefs::PrefEnvironment env;
  env.markerFontHeight = g_state.markerFontHeight;
  env.generalFontHeight = g_state.generalFontHeight;
  env.displayTextHeight = g_state.haveMetrics ? g_state.metrics.tmHeight : 0;
  env.canShowHalfHeights = g_state.settings.canShowHalfHeights;
  env.trueTypeAvailable = IsTrueTypeAvailable() != FALSE;
  prefs::SetPrefEnvironment(env);
}

// The first character of a locale number item, as a digit; fallback when absent.
UINT LocaleDigit(LCTYPE item, UINT fallback) {
  char text[16] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text, sizeof text) > 0 && text[0] >= '0' && text[0] <= '9')
    return static_cast<UINT>(text[0] - '0');
  return fallback;
}

// Asks for the length, allocates it from the common allocator and fetches;
// null when either fails.
char* LocaleText(LCTYPE item) {
  const int size = GetLocaleInfoA(LOCALE_USER_DEFAULT, item, nullptr, 0);
  if (size <= 0) return nullptr;
  auto* block = static_cast<char*>(AllocBlock(static_cast<uint32_t>(size)));
  if (!block) return nullptr;
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, item, block, size) <= 0) {
    FreeBlock(block);
    return nullptr;
  }
  return block;
}

void FreeLocaleTexts() {
  for (char** text : {&g_state.decimalSep, &g_state.thousandSep, &g_state.listSep}) {
    if (*text) FreeBlock(*text);
    *text = nullptr;
  }
  g_state.numberFormat.lpDecimalSep = nullptr;
  g_state.numberFormat.lpThousandSep = nullptr;
}

void ReadNumberFormat() {
  FreeLocaleTexts();
  NUMBERFMTA& f = g_state.numberFormat;
  f = {};
  f.NumDigits = LocaleDigit(LOCALE_IDIGITS, 6);
  f.LeadingZero = LocaleDigit(LOCALE_ILZERO, 1);
  f.Grouping = LocaleDigit(LOCALE_SGROUPING, 3);
  f.NegativeOrder = LocaleDigit(LOCALE_INEGNUMBER, 1);
  g_state.decimalSep = LocaleText(LOCALE_SDECIMAL);
  g_state.thousandSep = LocaleText(LOCALE_STHOUSAND);
  g_state.listSep = LocaleText(LOCALE_SLIST);
}

}  // namespace

void Step(const std::string& name) {
  std::lock_guard<std::mutex> lock(StepMutex());
  Steps().push_back(name);
}

void SetAttached(bool attached) { g_state.attached = attached; }

void AttachUpToWindowClasses() {
  g_state.module = FindOwnModule();

  Step("attach:framework-module");
  FrameworkInitExtensionModule(g_extension, g_state.module);
  g_dynLink = new (std::nothrow) CDynLinkLibrary(g_extension);

  Step("attach:control-word");
  g_state.controlWord = _control87(0, 0);

  Step("attach:common-controls");
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES |
                                                           ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                                           ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);

  Step("attach:messages");
  g_state.notifyWhenChanged = RegisterWindowMessageA("NotifyWhenChangedMsg");
  g_state.loginChange = RegisterWindowMessageA("WS_LOGINCHANGE");

  Step("attach:paths");
  BuildPaths();

  ReadSettings();

  Step("attach:read-last-files");
  KELT_ReadLastFiles();

  Step("attach:measure-display");
  MeasureDisplay();
  SetRecordEnvironment();

  Step("attach:read-preferences");
  prefs::ReadAllDefaultPrefs();
}

void AttachAfterWindowClasses() {
  Step("attach:number-format");
  ReadNumberFormat();
}

void DetachAfterWindowClasses() {
  Step("detach:write-last-files");
  KELT_WriteLastFiles();

  Step("detach:locale-texts");
  FreeLocaleTexts();

  Step("detach:framework-module");
  delete g_dynLink;
  g_dynLink = nullptr;
  FrameworkTermExtensionModule(g_extension);
}

bool IsAttached() { return g_state.attached; }

std::vector<std::string> StartupSteps() {
  std::lock_guard<std::mutex> lock(StepMutex());
  return Steps();
}

void ClearStartupSteps() {
  std::lock_guard<std::mutex> lock(StepMutex());
  Steps().clear();
}

// ---- Accessors --------------------------------------------------------------------

HMODULE ModuleHandle() { return g_state.module; }
const LoadSettings& Settings() { return g_state.settings; }
unsigned int LoadControlWord() { return g_state.controlWord; }
UINT NotifyWhenChangedMessage() { return g_state.notifyWhenChanged; }
UINT LoginChangeMessage() { return g_state.loginChange; }
const char* HelpFilePath() { return g_state.helpPath; }
const char* ReportHelpFilePath() { return g_state.reportHelpPath; }
const char* SettingsIniPath() { return g_state.settingsPath; }
const char* PreferencesIniPath() { return g_state.preferencesPath; }
const char* LastFilesIniPath() { return g_state.lastFilesPath[0] ? g_state.lastFilesPath : "tolview4.ini"; }
int32_t ColourDepth() { return g_state.colourDepth; }

bool DisplayTextMetrics(TEXTMETRICA* out) {
  if (out) *out = g_state.metrics;
  return g_state.haveMetrics;
}

const NUMBERFMTA& NumberFormat() {
  // The separators are filled here so that a failed fetch reads as the default.
  NUMBERFMTA& f = g_state.numberFormat;
  static char defaultDecimal[] = ".";
  f.lpDecimalSep = g_state.decimalSep ? g_state.decimalSep : defaultDecimal;
  f.lpThousandSep = g_state.thousandSep ? g_state.thousandSep : g_emptyText;
  return f;
}

const char* ListSeparator() { return g_state.listSep ? g_state.listSep : ""; }

}  // namespace kelt::lib
