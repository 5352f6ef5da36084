#pragma once
// Integration of one target compound of a method in one data file: the
// one-compound method, the optional mini run file, the engine run, the
// compound's peak and its tests, and the flags of its result step.
#include <cstdint>

#include "holbrin/dh_engine.h"
#include "quant/morvex_export.h"
#include "quant/results_records.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;
struct STRUCT_SCAN_FUN_INFO;

// Run kinds of the run record (its 16-bit field at 24, the sample type).
#define RUN_KIND_ANALYSIS 2
#define RUN_KIND_CALIBRATION 1
#define RUN_KIND_VERIFICATION 3
#define RUN_RECORD_KIND_OFFSET 24

// Modes.
#define INTEGRATE_AUTOMATIC 0
#define INTEGRATE_AT_TIME 1   // the working time given by the caller
#define INTEGRATE_MANUAL 2

// Integrates one compound into step (Algorithms of the engine's compound
// run). runFile (260 bytes, may be 0) receives the mini run file when one
// was made (the file named there before is deleted). scanFunInfo and
// scanFunCount are passed on to the background-time search. global is the
// method's global record; compoundGlobal the one the one-compound method is
// built from (changed). Messages go to window. Nonzero when the compound
// has a result.
// From Begin to End, the compound integrations of this thread reuse one
// one-compound method file and one mini run file, emptied and refilled for
// each compound (a mini run file that is handed back or stored whole is
// still made anew). End deletes both. Scopes nest.
MORVEX_API void* BeginCompoundScratchFiles();
MORVEX_API void EndCompoundScratchFiles(void* scope);
class CompoundScratchFiles {
 public:
  CompoundScratchFiles() : scope_(BeginCompoundScratchFiles()) {}
  ~CompoundScratchFiles() { EndCompoundScratchFiles(scope_); }
  CompoundScratchFiles(const CompoundScratchFiles&) = delete;
  CompoundScratchFiles& operator=(const CompoundScratchFiles&) = delete;

 private:
  void* scope_;
};

MORVEX_API BOOL IntegrateMethodCompounds(HWND window, char* runFile, const char* dataFile, int32_t a,
                                         STRUCT_WORK_FILE* workFile, const STRUCT_SCAN_FUN_INFO* scanFunInfo,
                                         uint16_t scanFunCount, const char* methodFile,
                                         STRUCT_DH_GLOBAL_PARAMS* compoundGlobal, STRUCT_DH_COMPOUND* compound,
                                         STRUCT_DH_COMPOUND* standardCompound, const void* runRecord,
                                         STRUCT_RESULT_STEP* step, const void* standardRecord,
                                         const STRUCT_DH_GLOBAL_PARAMS* global, float standardExpected,
                                         float standardFound, STRUCT_QUALIFIER_RECORD* qualifiers, int16_t miniRun,
                                         double workingTime, int16_t mode, int16_t noiseKind, int16_t reserved);

// Notes for a step's failed tests, in the order W, Y, Q, Z, a, b.
MORVEX_API void MissingCompoundNotes(HWND window, const STRUCT_RESULT_STEP* step);
// The engine's messages of a step's three error lists; sets V for codes 24-27.
MORVEX_API void SendEngineMessages(HWND window, STRUCT_RESULT_STEP* step);
// Letters of the step's flags with the bits that only show in letters.
MORVEX_API void MakeStepLetters(STRUCT_RESULT_STEP* step, uint16_t compoundFlags, int16_t calculationType);
// Moves a compound's time events by shift ten-thousandths of a minute.
MORVEX_API void ShiftTimeEvents(STRUCT_DH_COMPOUND* compound, int32_t shift);
// The apex scan's number, text and time into the step (O when positive and
// a quantitation ion is saturated); false when no scan could be read.
MORVEX_API BOOL FillStepApexScan(const char* dataFile, STRUCT_RESULT_STEP* step, BOOL positive);
