#pragma once
// A print document of a printer DC: pages drawn through Cairo into a PDF file
// that appears under its final name only when the document ends.
#include <memory>
#include <string>
#include "device_context.h"

namespace win::gdi {

class PrintJob {
 public:
  virtual ~PrintJob() = default;
  virtual int StartPage(DeviceContext& dc) = 0;
  virtual int EndPage(DeviceContext& dc) = 0;
  virtual int EndDoc(DeviceContext& dc) = 0;
  virtual void Abort(DeviceContext& dc) = 0;
  virtual bool PageOpen() const = 0;
};

// Starts a document writing to the host path; null when the file cannot be made.
std::unique_ptr<PrintJob> StartPdfJob(const DeviceCaps& caps, const std::string& hostPath);

}  // namespace win::gdi
