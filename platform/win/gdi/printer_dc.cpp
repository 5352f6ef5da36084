// Printer device contexts and the print calls. Every printer name stands for
// a PDF printer with the page size and orientation of its device mode
// (Letter portrait by default) at 600 dots per inch.
#include <strings.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#include "device_context.h"
#include "print_job.h"
#include "win_paths.h"

using namespace win::gdi;

namespace win::gdi {
HDC NewDC(DeviceContext::Kind kind, const DeviceCaps& caps, std::shared_ptr<DeviceContext>* out);
}

namespace {
std::mutex g_abortMutex;
std::map<const DeviceContext*, ABORTPROC>& AbortProcs() {
  static auto* m = new std::map<const DeviceContext*, ABORTPROC>();
  return *m;
}
std::atomic<int> g_nextJob{1};

DeviceCaps PrinterCaps(const DEVMODEA* mode) {
  DeviceCaps c;
  c.dpiX = c.dpiY = 600;
  int wmm10 = 2159, hmm10 = 2794;  // tenths of a millimetre
  bool landscape = false;
  if (mode) {
    if ((mode->dmFields & DM_PAPERSIZE) && mode->dmPaperSize == DMPAPER_A4) {
      wmm10 = 2100;
      hmm10 = 2970;
    }
    if ((mode->dmFields & DM_ORIENTATION) && mode->dmOrientation == DMORIENT_LANDSCAPE)
      landscape = true;
  }
  if (landscape) std::swap(wmm10, hmm10);
  c.horzRes = int(std::lround(wmm10 / 254.0 * c.dpiX));
  c.vertRes = int(std::lround(hmm10 / 254.0 * c.dpiY));
  c.horzSizeMm = (wmm10 + 5) / 10;
  c.vertSizeMm = (hmm10 + 5) / 10;
  c.bitsPixel = 24;
  c.planes = 1;
  bool mono = mode && (mode->dmFields & DM_COLOR) && mode->dmColor == DMCOLOR_MONOCHROME;
  c.numColors = mono ? 2 : -1;
  c.technology = DT_RASPRINTER;
  c.physWidth = c.horzRes;
  c.physHeight = c.vertRes;
  return c;
}

std::shared_ptr<DeviceContext> Printer(HDC h) {
  auto dc = Lookup<DeviceContext>(h, OBJ_DC);
  return dc && dc->kind() == DeviceContext::Kind::Printer ? dc : nullptr;
}

std::string SafeName(const char* s) {
  std::string out;
  for (; s && *s && out.size() < 64; ++s) {
    char c = *s;
    out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
  }
  return out.empty() ? "document" : out;
}
}  // namespace

HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR, const DEVMODEA* mode) {
  auto isDisplay = [](LPCSTR s) { return s && strcasecmp(s, "DISPLAY") == 0; };
  if (isDisplay(driver) || isDisplay(device))
    return NewDC(DeviceContext::Kind::Display, DisplayCaps(), nullptr);
  if (!device || !*device) return nullptr;
  return NewDC(DeviceContext::Kind::Printer, PrinterCaps(mode), nullptr);
}

int StartDocA(HDC hdc, const DOCINFOA* info) {
  auto dc = Printer(hdc);
  if (!dc || dc->printJob()) return SP_ERROR;
  std::string winPath;
  if (info && info->lpszOutput && *info->lpszOutput) winPath = info->lpszOutput;
  else winPath = win::paths::TempFolder() + SafeName(info ? info->lpszDocName : nullptr) + ".pdf";
  auto job = StartPdfJob(dc->Caps(), win::paths::ToHost(winPath));
  if (!job) return SP_ERROR;
  dc->SetPrintJob(std::move(job));
  return g_nextJob++;
}

int StartPage(HDC hdc) {
  auto dc = Printer(hdc);
  if (!dc || !dc->printJob()) return SP_ERROR;
  return dc->printJob()->StartPage(*dc);
}

int EndPage(HDC hdc) {
  auto dc = Printer(hdc);
  if (!dc || !dc->printJob()) return SP_ERROR;
  int r = dc->printJob()->EndPage(*dc);
  ABORTPROC proc = nullptr;
  {
    std::lock_guard lock(g_abortMutex);
    auto it = AbortProcs().find(dc.get());
    if (it != AbortProcs().end()) proc = it->second;
  }
  if (r > 0 && proc && !proc(hdc, 0)) {
    AbortDoc(hdc);
    return SP_APPABORT;
  }
  return r;
}

int EndDoc(HDC hdc) {
  auto dc = Printer(hdc);
  if (!dc || !dc->printJob()) return SP_ERROR;
  int r = dc->printJob()->EndDoc(*dc);
  dc->SetPrintJob(nullptr);
  return r;
}

int AbortDoc(HDC hdc) {
  auto dc = Printer(hdc);
  if (!dc || !dc->printJob()) return SP_ERROR;
  dc->printJob()->Abort(*dc);
  dc->SetPrintJob(nullptr);
  return 1;
}

int SetAbortProc(HDC hdc, ABORTPROC proc) {
  auto dc = Printer(hdc);
  if (!dc) return SP_ERROR;
  std::lock_guard lock(g_abortMutex);
  if (proc) AbortProcs()[dc.get()] = proc;
  else AbortProcs().erase(dc.get());
  return 1;
}
