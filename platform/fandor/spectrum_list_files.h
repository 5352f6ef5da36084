#pragma once
// Writing spectrum lists: a new list file from one spectrum, a spectrum
// added to the end of a list, and the chooser of a list to add to.
//
// An entry is written as the list reader reads it: "Name:", "Formula:",
// "MW:", "CAS#:", "Comment:", the import items the entry has ("Data File:",
// "Retention Time:", "Scan Range:", "Time Range:", "Baseline Correction:"),
// "Num Peaks:" and the pairs five to a line, then a blank line. The MSP
// form writes plain "m i;" pairs, the library (MSL) form "(m i)" groups.
#include <cstdint>

#include "fandor/list_entries.h"

// Makes (or replaces) the list file with the one entry; mspForm 1 for plain
// pairs, 0 for groups. FALSE when the entry has no name or the file cannot
// be written; an earlier file at the path is then left as it was.
FANDOR_API BOOL CreateSpectrumListFile(const char* path, int16_t mspForm, const STRUCT_LIST_SPT* spectrum);
// Adds the entry to the end of an existing list, in the list's own form.
// FALSE when the file is missing, holds text that is no spectrum list, the
// entry has no name, or the file cannot be rewritten (it then keeps its
// content).
FANDOR_API BOOL AppendSpectrumToListFile(const char* path, const STRUCT_LIST_SPT* spectrum);
// Lets the user pick an existing spectrum list: path (MAX_PATH bytes) in/out,
// the proposed file or folder in, the chosen file out. *mspForm (may be 0)
// receives 1 when the chosen list holds plain pairs. The four flags are the
// callers' and not read. FALSE when the user cancels.
FANDOR_API BOOL SelectSpectrumListFile(HWND owner, char* path, int32_t flag1, int32_t flag2, int32_t flag3,
                                       int32_t flag4, int16_t* mspForm);
