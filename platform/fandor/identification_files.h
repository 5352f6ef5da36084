#pragma once
// Deconvolution identification files (".FIN" beside a data file): the
// compounds the deconvolution identified, in time order. The layout is
// this stand-in's own: a 16-byte head ("FIN1", entry count u32, 8 bytes
// reserved) and fixed records of FIN_IDENTIFIED_SIZE bytes.
#include <cstdint>

#include "fandor.h"

#define FANDOR_CLASS __attribute__((visibility("default")))
#define FIN_HEAD_SIZE 16
#define FIN_MAGIC "FIN1"

#pragma pack(push, 1)
struct FIN_IDENTIFIED {
  int32_t scan;        // 1-based within the run
  double time;         // minutes
  char name[80];
  char formula[40];
  char casNumber[20];  // as text
  char model[16];      // the model ion, as text
  char purity[12];
  char width[12];
  char net[12];
  char weighted[12];
  char simple[12];
  char reverse[12];
};
#pragma pack(pop)
#define FIN_IDENTIFIED_SIZE 240
static_assert(sizeof(FIN_IDENTIFIED) == FIN_IDENTIFIED_SIZE);

class FANDOR_CLASS CAccessFINFile {
 public:
  CAccessFINFile() = default;
  ~CAccessFINFile();
  CAccessFINFile(const CAccessFINFile&) = delete;
  CAccessFINFile& operator=(const CAccessFINFile&) = delete;

  // The identification file of a data file (its extension replaced by
  // ".FIN") into resultPath (MAX_PATH bytes); TRUE when it exists.
  BOOL GetFINFileFromKMSFile(const char* dataPath, char* resultPath);
  // Opens the file for reading its entries in order; *count = entries.
  // FALSE for a missing, short or damaged file.
  BOOL OpenReadInOrder(const char* path, int32_t* count);
  // The next entry; FALSE past the last or on a failed read.
  BOOL ReadNextIdentified(FIN_IDENTIFIED* entry);
  void Close();

 private:
  HANDLE file_ = nullptr;
  int32_t count_ = 0;
  int32_t next_ = 0;
};
