#pragma once
// Enhanced-metafile recording (the record stream of a metafile DC) and the
// metafile object that holds finished bytes.
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>
#include "device_context.h"
#include "win_metafile.h"

namespace win::gdi {

class MetafileRecorder {
 public:
  MetafileRecorder(const DeviceCaps& reference, const RECT* frame, std::u16string description);
  ~MetafileRecorder();

  // Appends a record of the given type whose parameters follow the
  // 8-byte type-and-size header.
  void Append(DWORD type, const void* params, size_t bytes);
  template <class T>
  void Emit(DWORD type, const T& params) { Append(type, &params, sizeof(T)); }
  void EmitEmpty(DWORD type) { Append(type, nullptr, 0); }
  // Appends a whole record built by the caller (header included); the size
  // is fixed up and padded to a multiple of 4.
  void AppendRecord(std::vector<uint8_t> record);

  void AddBounds(const IntRect& deviceRect);
  // Emits the creation of an object on first use and its selection.
  void Select(const GdiObject& obj);
  // The object is being deleted: its table entry goes.
  void Forget(const GdiObject* obj);
  std::vector<uint8_t> Finish();
  // Workstation path the closed metafile is written to; empty = memory only.
  std::string file;

 private:
  DeviceCaps ref_;
  RECT frame_{};
  bool frameGiven_ = false;
  std::u16string description_;
  std::vector<uint8_t> body_;
  DWORD records_ = 0;
  IntRect bounds_;
  std::unordered_map<const GdiObject*, DWORD> indexes_;
  std::vector<bool> used_{true};  // entry 0 is the metafile itself
};

class EnhMetaFile : public GdiObject {
 public:
  EnhMetaFile() : GdiObject(OBJ_ENHMETAFILE) {}
  std::vector<uint8_t> bytes;
  const ENHMETAHEADER& Header() const {
    return *reinterpret_cast<const ENHMETAHEADER*>(bytes.data());
  }
};

// Checks a byte image: header, sizes, the record chain and the closing
// end-of-file record.
bool ValidMetafileBytes(const uint8_t* data, size_t size);
// Every open recorder drops its entry for an object being deleted.
void RecordersForget(const GdiObject* obj);

}  // namespace win::gdi
