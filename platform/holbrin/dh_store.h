#pragma once
// Inside the library: whole-section reads and safe replacement, and the
// fixed-record tables behind every table handle.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace holbrin {

// Scopes a thread begins and ends in nested order, kept as a list from the
// innermost out through `previous`.
template <class T>
T* BeginInnermost(T*& innermost, T* scope) {
  scope->previous = innermost;
  innermost = scope;
  return scope;
}
// Only the innermost scope ends; false for any other.
template <class T>
bool EndInnermost(T*& innermost, T* scope) {
  if (!scope || scope != innermost) return false;
  innermost = scope->previous;
  delete scope;
  return true;
}

// A working file the engine keeps in memory on this thread
// (BeginDHWorkingInMemory): its sections by lower-case name, and where its
// MS data is read.
struct MemoryWorking {
  std::string path, data;
  double from = 0, to = 0;
  std::map<std::string, std::vector<uint8_t>> sections;
  MemoryWorking* previous = nullptr;
};
MemoryWorking* MemoryWorkingOf(const char* path);
MemoryWorking*& MemoryWorkings();
std::string SectionKey(const std::string& name);

// Method tables read once while a method file is held (BeginDHMethodReads):
// by lower-case section name.
struct MethodReads {
  std::string path;
  struct Kept {
    bool present = false;
    std::vector<uint8_t> bytes;
  };
  std::map<std::string, Kept> kept;
  MethodReads* previous = nullptr;
};
MethodReads*& MethodReadsHeld();
// A whole section of a method file, read once while the file is held.
bool ReadMethodSection(const char* path, const std::string& name, std::vector<uint8_t>& out);
// This library writes the section: what was kept of it goes.
void ForgetKeptSection(const char* path, const std::string& name);

// Reads a whole section; false when it is missing or cannot be read whole.
bool ReadWholeSection(const char* path, const std::string& name, std::vector<uint8_t>& out);
// Replaces a section with the bytes given: written under a scratch name
// first, then copied over, so a failed write leaves the old content.
bool ReplaceSection(const char* path, const std::string& name, const void* bytes, size_t size);

// A stored table: a 16-byte head ("DHT1", record size, record count,
// checksum of the records) and the records back to back.
constexpr size_t kTableHeadSize = 16;
bool DecodeTable(const std::vector<uint8_t>& section, uint32_t recordSize, std::vector<uint8_t>& records);
std::vector<uint8_t> EncodeTable(uint32_t recordSize, const std::vector<uint8_t>& records);

struct Table {
  std::string path;
  std::string section;
  uint32_t recordSize = 0;
  bool raw = false;  // stored as bare bytes (logs, item sections), no head
  bool writable = false;
  std::vector<uint8_t> records;
  uint32_t Count() const { return recordSize ? uint32_t(records.size() / recordSize) : 0; }
  bool Save() const;
};

// Handles: registered with the section store so that CloseSection ends them.
void* Register(Table* table);
Table* Lookup(void* handle);
void Release(void* handle);

// Opening by name; 0 when missing, damaged or of another record size.
void* OpenTable(const char* path, const std::string& section, uint32_t recordSize, bool forUpdate);
void* CreateTable(const char* path, const std::string& section, uint32_t recordSize);
// Replaces a table with count records in one commit: a reader, a failure or
// a killed process sees the old table or the new one, never an empty one
// between them.
bool ReplaceTable(const char* path, const std::string& section, uint32_t recordSize, const void* records,
                  uint32_t count);
// Reads record index..index+count-1 into out; false when out of range.
bool ReadRecords(void* handle, int32_t index, int32_t count, void* out);
bool WriteRecords(void* handle, int32_t index, int32_t count, const void* in);

std::string BuiltName(const char* base, uint16_t id, uint16_t address, const char* tag);

}  // namespace holbrin
