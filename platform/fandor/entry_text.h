#pragma once
// Inside the library: one entry of a spectrum list or library file in MSP
// text, with everything it tells beyond its spectrum.
//
// An entry runs from its "Name:" line to the blank line after its peaks (or
// the next "Name:" line). Before "Num Peaks:" come "Key: value" lines; a
// line may hold several items parted by "; " ("CAS#: 108-90-7; NIST#: 12").
// Unknown keys are passed over, so files written before a key existed read
// as they always did. The keys, by what they fill:
//   spectrum   Name, Formula, MW, CAS#, Comment(s), Mass Range ("40 - 400")
//   entry      Contributor, NIST#, DB#, Other DBs ("TSCA EPA EINECS")
//   library    Synon (one a line), Replicate ("5013 in replib"),
//              MW Estimate ("180 71.2": weight, percent),
//              Cl Br Estimate ("3 0 83.6 99.1 97.5 3.8": Cl, Br, percents),
//              Warning (one a line), Error
//   list       Scan Function, Import Date, Data File, Scan Functions,
//              Ion Time, Max RIC, Retention Time, Scan Range ("10 - 12"),
//              Time Range ("5.100 - 5.200"), Baseline Correction (Yes/No),
//              CID ("offset length" of the entry in the list's replicate file)
//   structure  Bond ("x1 y1 x2 y2 kind", kind 0 single, 1 double, 2 triple),
//              Ring ("x y", an aromatic circle), Atom ("x y label"): the
//              entry's connection table in structure coordinates
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fandor/library_entry_details.h"

namespace fandor {

struct EntryText {
  std::string name, formula, comment;
  uint32_t casNumber = 0;
  int32_t molecularWeight = 0;
  double lowMass = 0, highMass = 0;     // from "Mass Range", else 0
  std::vector<std::pair<double, double>> peaks;  // as written
  LIST_ENTRY_DETAILS list{};            // list items (contributor, numbers and databases too)
  NIST_ENTRY_DETAILS library{};         // library items (contributor, numbers and databases too)
  bool hasEstimates = false;            // library.estimates holds some
  struct Bond {
    int16_t x1, y1, x2, y2;
    uint8_t kind;
  };
  struct Point {
    int16_t x, y;
    std::string label;  // atoms only, at most 6 characters
  };
  std::vector<Bond> bonds;
  std::vector<Point> rings, atoms;
};

// Room and layout of a connection table (NIST_CHEM_STRUCT_SIZE bytes):
// i32 coordinates whose low 16 bits hold the value, bonds as pairs of ends.
#define CHEM_BLOCK_MOST_ITEMS 254
bool HasStructure(const EntryText& e);
// Writes the entry's table into a block of NIST_CHEM_STRUCT_SIZE bytes.
void WriteStructure(const EntryText& e, uint8_t* block);

// The entry whose "Name:" line starts at "at". False for an entry without a
// name or with a malformed peak (a mass without its intensity, a mass or an
// intensity out of range).
bool ParseEntryText(const std::string& text, size_t at, EntryText* out);

// A list record of the entry (pairs by ascending mass; its estimates, when
// it has some, as the record's attached block), or 0 when it cannot be
// allocated.
STRUCT_LIST_SPT* MakeListEntry(const EntryText& e, const std::string& listPath, uint32_t entryNumber);

// A NIST library entry (pairs at nominal mass, ascending; its details as
// the auxiliary data's block), or 0 when it cannot be allocated.
STRUCT_NIST_SPT* MakeNistEntry(const EntryText& e, const std::string& libraryName, uint32_t entryNumber);

// The library name of a file path: its last part without the extension.
std::string LibraryNameOf(const std::string& path);

}  // namespace fandor
