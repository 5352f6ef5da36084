// Printer device contexts: documents and pages written to PDF through Cairo.
#include <cstring>
#include <strings.h>

#include "device_context.h"
#include "print_job.h"

using namespace win::gdi;

namespace win::gdi {
HDC NewDC(DeviceContext::Kind kind, const DeviceCaps& caps, std::shared_ptr<DeviceContext>* out);
}

HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR, const DEVMODEA*) {
  auto isDisplay = [](LPCSTR s) { return s && strcasecmp(s, "DISPLAY") == 0; };
  if (isDisplay(driver) || isDisplay(device))
    return NewDC(DeviceContext::Kind::Display, DisplayCaps(), nullptr);
  return nullptr;
}
int StartDocA(HDC, const DOCINFOA*) { return SP_ERROR; }
int EndDoc(HDC) { return SP_ERROR; }
int AbortDoc(HDC) { return SP_ERROR; }
int StartPage(HDC) { return SP_ERROR; }
int EndPage(HDC) { return SP_ERROR; }
int SetAbortProc(HDC, ABORTPROC) { return SP_ERROR; }
