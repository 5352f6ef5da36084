#pragma once
// Sections read where they lie. A read-only handle reads byte ranges
// straight from the file through SQLite's incremental blob I/O instead of
// loading the whole section when it opens.
//
// The open blob keeps a read transaction, and with it the file's shared
// lock, so the section cannot change under the handle. When a writer (of
// this process or another) wants the file, the handle first copies the
// section into memory, whole and as it was when the handle opened, and
// then lets go: readers never see a mix, and writers are never held off
// for long. A background thread watches for writers of other processes.
#include <cstdint>
#include <memory>
#include <string>

#include "handle_registry.h"
#include "section_store.h"

namespace orvik {

// What every section handle offers.
class SectionBase : public Handle {
 public:
  virtual uint32_t Size() = 0;
  virtual uint32_t Seek(int32_t offset, int32_t origin) = 0;
  virtual uint32_t Read(void* buffer, uint32_t count) = 0;
  virtual uint32_t Write(const void*, uint32_t) { return 0; }
  // Facts of the file the handle reads, through the connection it already
  // holds: its head, and whether another section is there (1, 0; -1 when
  // the handle cannot tell).
  virtual bool Head(FileHead*) { return false; }
  virtual int HasSection(const char*) { return -1; }
  // The connection and the file's data version the handle reads (see
  // GetSectionReadState); false when it cannot tell.
  virtual bool ReadState(uint64_t*, uint32_t*) { return false; }
};

// A read-only handle on an existing section, or null.
std::shared_ptr<SectionBase> OpenSectionInPlace(const char* path, const char* name);

// Makes this process's in-place readers of a file let go of it (copying
// their sections first); called before this process writes the file.
void YieldReaders(const std::string& hostPath);

}  // namespace orvik
