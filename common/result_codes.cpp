// Result codes and their legend texts.
#include "common/result_codes.h"

namespace {
constexpr const char* kSeparations[16] = {" ",  "BV", "BB", "MB", "VB", "VV", "MM", "MV",
                                          "TS", "TF", "GR", "BM", "VM", "HF", "HB", "HM"};

constexpr const char* kTexts[23] = {
    "R : Reference Peak.",
    "# : Factors not updated.",
    "* : Negative or imaginary result. Check calibration curve.",
    "+ : More than one result. Check calibration curve.",
    "V : Peak fails Verification.",
    "M : Missing Peak.",
    "C : Result out of Tolerance or Calibration Range.",
    "S : Internal Standard Peak.",
    "U : User-defined EndPoints.",
    "O : Saturated Peak Amplitude.",
    "T : Relative Retention Time Peak.",
    "D : Can't quantitate. Reporting Raw Peak Size.",
    "I : Can't create chromatogram. Check Channels, time range.",
    "L : Missing Library or Search failed.",
    "N : No internal stds found to quantitate Unknowns.",
    "Q : Result < Compound Report Threshold.",
    "H : Cali levels too low. Reporting Raw Peak Size.",
    "W : Match < Threshold or not in Peak, or Peak not in Search Window.",
    "Y : Peak not detected, < Size Threshold, or not in Search Window.",
    "Z : Ion Ratio failed. Check Qualifier parameters.",
    "F : Missing 1 or more sf channels. Quantitating available channels.",
    "a : S/N less than threshold.",
    "b : RRT out of tolerance.",
};
}  // namespace

const char* ResultCode_StringFromFlag(uint32_t flag) {
  for (int i = 0; i < 23; ++i)
    if (flag == (1u << i)) return kTexts[i];
  return " ";
}

uint32_t ResultCode_FlagFromChar(const char* text) {
  if (!text) return RESULT_CODE_NONE;
  const signed char letter = static_cast<signed char>(*text);
  for (int i = 0; i < 23; ++i)
    if (static_cast<signed char>(kTexts[i][0]) == letter) return 1u << i;
  return RESULT_CODE_NONE;
}

const char* SeparationCode_GetString(int16_t code) { return code >= 1 && code <= 15 ? kSeparations[code] : " "; }
