// Text forms of lists for descriptor names.
#include "common/plot_descriptor_texts.h"

#include <cstring>

#include "common/work_file_facts.h"
#include "quorna/quorna.h"

namespace kelt::pd {

std::string IonText(const STRUCT_MASS_LIST* list, const STRUCT_WORK_FILE* wf) {
  if (!list) return {};
  char text[512] = "";
  int decimals = wf ? kelt::wff::MassDecimals(wf) : 0;
  if (decimals < 0 || decimals > 6) decimals = 0;
  FormatMassListText(text, list, decimals);
  text[sizeof text - 1] = 0;
  return text;
}

std::string ChanListText(const STRUCT_CHAN_LIST* list) {
  if (!list) return {};
  char text[256] = "";
  FormatChanList(text, list);
  text[sizeof text - 1] = 0;
  return text;
}

void AppendBounded(char* text, size_t size, const std::string& more) {
  if (!text || size == 0) return;
  const size_t len = strnlen(text, size - 1);
  const size_t n = std::min(more.size(), size - 1 - len);
  std::memcpy(text + len, more.data(), n);
  text[len + n] = 0;
}

}  // namespace kelt::pd
