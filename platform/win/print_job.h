#pragma once
// A print document of a printer DC: pages drawn through Cairo into a PDF file.
#include <memory>
#include <string>
#include "device_context.h"

namespace win::gdi {

class PrintJob {
 public:
  virtual ~PrintJob() = default;
};

}  // namespace win::gdi
