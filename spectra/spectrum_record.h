#pragma once
// The spectrum record: a common head (kind, titles, edit fields, mass
// range, base peak, serial number) over exactly one kind record holding
// the pairs. It holds pointers, so it lives in memory only.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"
#include "spectra/spectrum_kinds.h"

#define SPT_KIND_TOL 0
#define SPT_KIND_NIST 1
#define SPT_KIND_DIFF 2
#define SPT_KIND_LIST 3
#define SPT_KIND_SLBR 4
#define SPT_KIND_REF 5
#define SPT_KIND_TIC 6
#define SPT_KIND_REF_EX 7

#define SPT_TITLE_SIZE 81
#define SPT_EXTRA_INFO_SIZE 34
#define SPT_TOP_WEIGHTED 16
// Words of each of the two attachment blocks.
#define SPT_ATTACHMENT_WORDS 1263

#pragma pack(push, 1)
struct STRUCT_SPT_PLUS {
  int16_t kind;
  STRUCT_TOL_SPT* tolSpt;
  STRUCT_NIST_SPT* nistSpt;
  STRUCT_DIFF_SPT* diffSpt;
  STRUCT_LIST_SPT* listSpt;
  STRUCT_SLBR_SPT* slbrSpt;
  STRUCT_REF_SPT* refSpt;
  STRUCT_TIC_SPT* ticSpt;
  STRUCT_REF_EX_SPT* refExSpt;
  STRUCT_TOL_SPT* background;         // kept beside an averaged spectrum, or 0
  char mainTitle[SPT_TITLE_SIZE];
  char nameTitle[SPT_TITLE_SIZE];
  char fileTitle[SPT_TITLE_SIZE];
  char infoTitle[SPT_TITLE_SIZE];
  uint32_t* attachments[2];           // SPT_ATTACHMENT_WORDS words each, or 0
  uint8_t reserved1[12];
  uint16_t pairsEdited;
  int16_t useMassRange;
  double lowMass;
  double highMass;
  char extraInfo[SPT_EXTRA_INFO_SIZE];
  int16_t editFieldsEdited;
  char name[SPT_TEXT_NAME_SIZE];
  char formula[SPT_TEXT_FORMULA_SIZE];
  char comment[SPT_TEXT_COMMENT_SIZE];
  uint32_t casNumber;
  uint16_t molecularWeight;
  uint16_t basePeakFixed;
  double basePeakMass;
  double basePeakIntensity;
  uint16_t topWeightedCount;
  uint16_t topWeightedCapacity;
  double topWeightedMasses[SPT_TOP_WEIGHTED];
  uint8_t reserved2[272];
  uint16_t serialNumber;
  uint16_t nominalMasses;
  uint16_t ownDecimals;
  uint16_t massDecimals;
};
#pragma pack(pop)

KELT_API uint16_t PlusSpt_GetNextSerialId();
KELT_API void PlusSpt_InitTolSpt(STRUCT_SPT_PLUS* spt, STRUCT_TOL_SPT* tol, const char* dataFilePath);
KELT_API void PlusSpt_InitNISTSpt(STRUCT_SPT_PLUS* spt, STRUCT_NIST_SPT* nist, int16_t libraryIndex,
                                  const char* libraryList);
KELT_API void PlusSpt_InitRefSpt(STRUCT_SPT_PLUS* spt, STRUCT_REF_SPT* ref, const char* dataFilePath);
KELT_API void PlusSpt_InitRefExSpt(STRUCT_SPT_PLUS* spt, STRUCT_REF_EX_SPT* refEx, const char* dataFilePath);
KELT_API void PlusSpt_InitListSpt(STRUCT_SPT_PLUS* spt, STRUCT_LIST_SPT* list);
KELT_API void PlusSpt_InitSLbrSpt(STRUCT_SPT_PLUS* spt, STRUCT_SLBR_SPT* slbr);
KELT_API void PlusSpt_InitTicSpt(STRUCT_SPT_PLUS* spt, STRUCT_TIC_SPT* tic);
// Returns 0.
KELT_API int32_t PlusSpt_InitDiffSpt(STRUCT_SPT_PLUS* spt, STRUCT_DIFF_SPT* diff, const STRUCT_SPT_PLUS* a,
                                     const STRUCT_SPT_PLUS* b);
KELT_API int32_t PlusSpt_ResetEditFields(STRUCT_SPT_PLUS* spt);
KELT_API void PlusSpt_SetTopWeightedMasses(STRUCT_SPT_PLUS* spt);
// Deep copy from AllocBlock (keeps the serial number), or 0.
KELT_API STRUCT_SPT_PLUS* PlusSpt_Copy(const STRUCT_SPT_PLUS* spt);
// Frees the kind data, the background, the attachments and the record; accepts 0.
KELT_API void PlusSpt_Free(STRUCT_SPT_PLUS* spt);

namespace kelt::spectra {
// Byte copies and releases of the kind records 2..7 (the record's whole
// block; what they own is copied or released with them).
STRUCT_DIFF_SPT* CopyDiff(const STRUCT_DIFF_SPT* src);
STRUCT_LIST_SPT* CopyList(const STRUCT_LIST_SPT* src);
STRUCT_SLBR_SPT* CopySlbr(const STRUCT_SLBR_SPT* src);
STRUCT_REF_SPT* CopyRef(const STRUCT_REF_SPT* src);
STRUCT_REF_EX_SPT* CopyRefEx(const STRUCT_REF_EX_SPT* src);
STRUCT_TIC_SPT* CopyTic(const STRUCT_TIC_SPT* src);
void FreeList(STRUCT_LIST_SPT* list);
void FreeSlbr(STRUCT_SLBR_SPT* slbr);
void FreeNist(STRUCT_NIST_SPT* nist);
// Bounded text copy: at most max characters, always terminated.
void CopyText(char* dst, const char* src, size_t max);
}  // namespace kelt::spectra
