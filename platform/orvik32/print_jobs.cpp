// Print jobs on the workstation's printer.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "orvik32/orvik32_printing.h"
#include "win/win_profile.h"

namespace {

std::mutex g_outputMutex;
std::string g_output;
int32_t g_jobs = 0;

// The document's output file: the set path for the first job, numbered
// beside it for later ones.
std::string NextOutput() {
  std::lock_guard<std::mutex> lock(g_outputMutex);
  ++g_jobs;
  if (g_output.empty() || g_jobs == 1) return g_output;
  const size_t dot = g_output.rfind('.');
  const size_t slash = g_output.rfind('\\');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExt ? g_output.substr(0, dot) : g_output;
  const std::string ext = hasExt ? g_output.substr(dot) : std::string();
  return stem + "-" + std::to_string(g_jobs) + ext;
}

std::string PrinterName() {
  char device[260] = {};
  GetPrivateProfileStringA("Corvane Zeph Workstation", "device", "", device, sizeof device, GetWorkstationIniPath());
  if (!device[0]) GetProfileStringA("windows", "device", "", device, sizeof device);
  std::string name = device;
  const size_t comma = name.find(',');
  if (comma != std::string::npos) name.resize(comma);
  return name.empty() ? "Workstation Printer" : name;
}

HDC Start(const char* title, ABORTPROC abortProc, bool landscape) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmFields = DM_ORIENTATION | DM_COLOR;
  mode.dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  mode.dmColor = DMCOLOR_COLOR;
  const std::string name = PrinterName();
  HDC dc = CreateDCA("WINSPOOL", name.c_str(), nullptr, &mode);
  if (!dc) return nullptr;
  if (abortProc) SetAbortProc(dc, abortProc);
  const std::string output = NextOutput();
  DOCINFOA doc{sizeof(DOCINFOA), title ? title : "Report", output.empty() ? nullptr : output.c_str(), nullptr, 0};
  if (StartDocA(dc, &doc) <= 0) {
    DeleteDC(dc);
    return nullptr;
  }
  return dc;
}

}  // namespace

HDC StartPrintJob(int16_t, const char* title, ABORTPROC abortProc) {
  try {
    return Start(title, abortProc, false);
  } catch (...) {
    return nullptr;
  }
}

HDC StartPrintJobLandscape(int16_t, const char* title, ABORTPROC abortProc) {
  try {
    return Start(title, abortProc, true);
  } catch (...) {
    return nullptr;
  }
}

void EndPrintJob(HDC dc) {
  if (!dc) return;
  SetAbortProc(dc, nullptr);
  DeleteDC(dc);
}

BOOL PrinterSetupDialog(HWND, int32_t) { return TRUE; }

void SetPrintJobOutput(const char* path) {
  std::lock_guard<std::mutex> lock(g_outputMutex);
  g_output = path ? path : "";
  g_jobs = 0;
}

int32_t GetPrintJobCount() {
  std::lock_guard<std::mutex> lock(g_outputMutex);
  return g_jobs;
}

BOOL GetCurrentPrinterNames(char* name, char* driver, char* port) {
  char device[260] = {};
  GetPrivateProfileStringA("Corvane Zeph Workstation", "device", "", device, sizeof device, GetWorkstationIniPath());
  if (!device[0]) GetProfileStringA("windows", "device", "", device, sizeof device);
  // "name,driver,port", each part cut to its 104-byte buffer.
  std::string parts[3];
  std::string rest = device;
  for (int i = 0; i < 3; ++i) {
    const size_t comma = i < 2 ? rest.find(',') : std::string::npos;
    parts[i] = rest.substr(0, comma);
    rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
  }
  char* out[3] = {name, driver, port};
  for (int i = 0; i < 3; ++i) {
    if (!out[i]) continue;
    const size_t n = parts[i].size() < 103 ? parts[i].size() : 103;
    std::memcpy(out[i], parts[i].data(), n);
    out[i][n] = 0;
  }
  return device[0] ? TRUE : FALSE;
}
