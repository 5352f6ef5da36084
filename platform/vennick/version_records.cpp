// Writing and reading the archive's records, every count checked against
// the bytes that are there.
#include "version_records.h"

#include <cstring>

namespace vennick {
namespace {

const uint16_t kFormat = 1;
const size_t kUserSize = 64;
const size_t kNameSize = 260;
// Names of sections are shorter than this in any store.
const size_t kMostSectionName = 259;

uint32_t Fnv1a(const char* bytes, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) {
    h ^= static_cast<unsigned char>(bytes[i]);
    h *= 16777619u;
  }
  return h;
}

class Writer {
 public:
  template <class T>
  void Put(T value) {
    out_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  void Fixed(const std::string& text, size_t width) {
    std::string field(width, '\0');
    std::memcpy(field.data(), text.data(), text.size() < width - 1 ? text.size() : width - 1);
    out_ += field;
  }
  void Raw(const std::string& bytes) { out_ += bytes; }
  std::string Finish() {
    Put(Fnv1a(out_.data(), out_.size()));
    return std::move(out_);
  }

 private:
  std::string out_;
};

class Reader {
 public:
  Reader(const char* bytes, size_t size) : p_(bytes), left_(size) {}
  template <class T>
  bool Get(T* value) {
    if (left_ < sizeof(T)) return false;
    std::memcpy(value, p_, sizeof(T));
    Skip(sizeof(T));
    return true;
  }
  bool Fixed(std::string* text, size_t width) {
    if (left_ < width) return false;
    *text = std::string(p_, strnlen(p_, width));
    Skip(width);
    return true;
  }
  bool Raw(std::string* bytes, size_t n) {
    if (left_ < n) return false;
    if (bytes) bytes->assign(p_, n);
    Skip(n);
    return true;
  }
  bool Magic(const char* magic) {
    if (left_ < 4 || std::memcmp(p_, magic, 4) != 0) return false;
    Skip(4);
    return true;
  }
  size_t Left() const { return left_; }

 private:
  void Skip(size_t n) {
    p_ += n;
    left_ -= n;
  }
  const char* p_;
  size_t left_;
};

// The bytes before the checksum, when it matches.
bool Checked(const char* bytes, size_t size, size_t* body) {
  if (!bytes || size < 4) return false;
  uint32_t stored = 0;
  std::memcpy(&stored, bytes + size - 4, 4);
  *body = size - 4;
  return stored == Fnv1a(bytes, size - 4);
}

}  // namespace

std::string FormatArchiveState(const ArchiveState& s) {
  Writer w;
  w.Raw("VNKA");
  w.Put<uint16_t>(kFormat);
  w.Put<uint16_t>(0);
  w.Put<int32_t>(s.archivedCount);
  w.Put<int32_t>(s.tipVersion);
  w.Put<int32_t>(s.createdTime);
  w.Put<int32_t>(s.tipTime);
  w.Fixed(s.tipUser, kUserSize);
  w.Fixed(s.archiveName, kNameSize);
  w.Put<uint32_t>(static_cast<uint32_t>(s.tipReason.size()));
  w.Raw(s.tipReason);
  return w.Finish();
}

bool ParseArchiveState(const char* bytes, size_t size, ArchiveState* s) {
  size_t body = 0;
  if (!Checked(bytes, size, &body)) return false;
  Reader r(bytes, body);
  uint16_t format = 0, reserved = 0;
  uint32_t reasonSize = 0;
  ArchiveState out;
  if (!r.Magic("VNKA") || !r.Get(&format) || format != kFormat || !r.Get(&reserved)) return false;
  if (!r.Get(&out.archivedCount) || !r.Get(&out.tipVersion) || !r.Get(&out.createdTime) || !r.Get(&out.tipTime))
    return false;
  if (!r.Fixed(&out.tipUser, kUserSize) || !r.Fixed(&out.archiveName, kNameSize)) return false;
  if (!r.Get(&reasonSize) || !r.Raw(&out.tipReason, reasonSize) || r.Left() != 0) return false;
  // The tip follows the archived versions, or there is none yet.
  if (out.archivedCount < 0 || out.tipVersion < 0 || out.archivedCount == INT32_MAX) return false;
  if (out.tipVersion != 0 && out.tipVersion != out.archivedCount && out.tipVersion != out.archivedCount + 1)
    return false;
  if (out.tipVersion == 0 && out.archivedCount != 0) return false;
  *s = std::move(out);
  return true;
}

std::string FormatVersionRecord(const VersionRecord& v) {
  Writer w;
  w.Raw("VNKV");
  w.Put<uint16_t>(kFormat);
  w.Put<uint16_t>(0);
  w.Put<int32_t>(v.version);
  w.Put<int32_t>(v.savedTime);
  w.Fixed(v.user, kUserSize);
  w.Put<int32_t>(v.typeCode);
  w.Put<uint16_t>(v.formatWord);
  w.Put<uint16_t>(0);
  w.Put<uint32_t>(static_cast<uint32_t>(v.reason.size()));
  w.Raw(v.reason);
  w.Put<uint32_t>(static_cast<uint32_t>(v.sections.size()));
  for (const auto& s : v.sections) {
    w.Put<uint16_t>(static_cast<uint16_t>(s.name.size()));
    w.Raw(s.name);
    w.Put<uint32_t>(static_cast<uint32_t>(s.bytes.size()));
    w.Raw(s.bytes);
  }
  return w.Finish();
}

bool ParseVersionRecord(const char* bytes, size_t size, VersionRecord* v, bool withSections) {
  size_t body = 0;
  if (!Checked(bytes, size, &body)) return false;
  Reader r(bytes, body);
  uint16_t format = 0, reserved = 0, reserved2 = 0;
  uint32_t reasonSize = 0, count = 0;
  VersionRecord out;
  if (!r.Magic("VNKV") || !r.Get(&format) || format != kFormat || !r.Get(&reserved)) return false;
  if (!r.Get(&out.version) || !r.Get(&out.savedTime) || !r.Fixed(&out.user, kUserSize)) return false;
  if (!r.Get(&out.typeCode) || !r.Get(&out.formatWord) || !r.Get(&reserved2)) return false;
  if (!r.Get(&reasonSize) || !r.Raw(&out.reason, reasonSize) || !r.Get(&count)) return false;
  if (out.version < 1) return false;
  // Each section takes at least 6 bytes, which bounds the count before anything is made.
  if (count > r.Left() / 6) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint16_t nameSize = 0;
    uint32_t dataSize = 0;
    SectionCopy s;
    if (!r.Get(&nameSize) || nameSize == 0 || nameSize > kMostSectionName || !r.Raw(&s.name, nameSize)) return false;
    if (s.name.find('\0') != std::string::npos) return false;
    if (!r.Get(&dataSize) || !r.Raw(withSections ? &s.bytes : nullptr, dataSize)) return false;
    if (withSections) out.sections.push_back(std::move(s));
  }
  if (r.Left() != 0) return false;
  *v = std::move(out);
  return true;
}

}  // namespace vennick
