// Texts of a method compound's identification search type.
#include <cstdint>
#include <cstring>

#define FERROW_API extern "C" __attribute__((visibility("default")))

namespace {
// Search types of a method compound; form 1 short, 2 long.
struct SearchTypeText {
  const char* shortText;
  const char* longText;
};
constexpr SearchTypeText kSearchTypes[] = {
    {"Spectrum", "Spectrum Match"},
    {"None", "No Spectrum Search"},
    {"Ion Ratio", "Ion Ratio Check"},
    {"Ret. Time", "Retention Time Only"},
};
}  // namespace

// Writes the text of searchType into buffer (at least 64 bytes); form 2 is
// the long text, any other the short one. An unknown type gives "".
FERROW_API int32_t MSDHMTH_GetSearchTypeString(int16_t searchType, int16_t form, char* buffer) {
  if (!buffer) return 0;
  buffer[0] = 0;
  if (searchType < 0 || searchType >= static_cast<int16_t>(sizeof kSearchTypes / sizeof kSearchTypes[0])) return 0;
  const char* text = form == 2 ? kSearchTypes[searchType].longText : kSearchTypes[searchType].shortText;
  std::strcpy(buffer, text);
  return 1;
}
