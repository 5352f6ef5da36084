// Recording enhanced metafiles and handling their bytes: the metafile DC,
// closing into a metafile object, byte images in and out, validation.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>

#include "metafile.h"
#include "win_paths.h"

namespace win::gdi {

namespace {
std::mutex g_recMutex;
std::set<MetafileRecorder*>& Recorders() {
  static auto* s = new std::set<MetafileRecorder*>();
  return *s;
}

template <class T>
void Put(std::vector<uint8_t>& v, const T& value) {
  const auto* p = reinterpret_cast<const uint8_t*>(&value);
  v.insert(v.end(), p, p + sizeof(T));
}
}  // namespace

HDC NewDC(DeviceContext::Kind kind, const DeviceCaps& caps, std::shared_ptr<DeviceContext>* out);

MetafileRecorder::MetafileRecorder(const DeviceCaps& reference, const RECT* frame,
                                   std::u16string description)
    : ref_(reference), description_(std::move(description)) {
  if (frame) {
    frame_ = *frame;
    frameGiven_ = true;
  }
  std::lock_guard lock(g_recMutex);
  Recorders().insert(this);
}

MetafileRecorder::~MetafileRecorder() {
  std::lock_guard lock(g_recMutex);
  Recorders().erase(this);
}

void RecordersForget(const GdiObject* obj) {
  std::lock_guard lock(g_recMutex);
  for (auto* r : Recorders()) r->Forget(obj);
}

void MetafileRecorder::Append(DWORD type, const void* params, size_t bytes) {
  size_t padded = (bytes + 3) & ~size_t(3);
  DWORD size = DWORD(8 + padded);
  Put(body_, type);
  Put(body_, size);
  if (bytes) {
    const auto* p = static_cast<const uint8_t*>(params);
    body_.insert(body_.end(), p, p + bytes);
  }
  body_.resize(body_.size() + (padded - bytes), 0);
  ++records_;
}

void MetafileRecorder::AppendRecord(std::vector<uint8_t> record) {
  if (record.size() < 8) record.resize(8, 0);
  record.resize((record.size() + 3) & ~size_t(3), 0);
  DWORD size = DWORD(record.size());
  std::memcpy(record.data() + 4, &size, 4);
  body_.insert(body_.end(), record.begin(), record.end());
  ++records_;
}

void MetafileRecorder::AddBounds(const IntRect& r) { bounds_ = bounds_.United(r); }

void MetafileRecorder::Select(const GdiObject& obj) {
  if (obj.stock) {
    Emit(EMR_SELECTOBJECT, DWORD(ENHMETA_STOCK_OBJECT | DWORD(obj.stockIndex)));
    return;
  }
  auto it = indexes_.find(&obj);
  DWORD index;
  if (it != indexes_.end()) {
    index = it->second;
  } else {
    auto freeSlot = std::find(used_.begin() + 1, used_.end(), false);
    index = DWORD(freeSlot - used_.begin());
    if (freeSlot == used_.end()) used_.push_back(true);
    else *freeSlot = true;
    indexes_[&obj] = index;
    switch (obj.kind) {
      case OBJ_PEN: {
        EMRCREATEPEN r{};
        r.ihPen = index;
        r.lopn = static_cast<const PenObject&>(obj).pen;
        Append(EMR_CREATEPEN, &r.ihPen, sizeof(r) - sizeof(EMR));
        break;
      }
      case OBJ_BRUSH: {
        auto& b = static_cast<const BrushObject&>(obj);
        EMRCREATEBRUSHINDIRECT r{};
        r.ihBrush = index;
        r.lb = {b.style, b.color, b.hatch};
        Append(EMR_CREATEBRUSHINDIRECT, &r.ihBrush, sizeof(r) - sizeof(EMR));
        break;
      }
      case OBJ_FONT: {
        const LOGFONTA& a = static_cast<const FontObject&>(obj).font;
        EMREXTCREATEFONTINDIRECTW r{};
        r.ihFont = index;
        std::memcpy(&r.elfw, &a, 28);  // the numeric fields are laid out alike
        for (int i = 0; i < LF_FACESIZE && a.lfFaceName[i]; ++i)
          r.elfw.lfFaceName[i] = char16_t(uint8_t(a.lfFaceName[i]));
        Append(EMR_EXTCREATEFONTINDIRECTW, &r.ihFont, sizeof(r) - sizeof(EMR));
        break;
      }
      default: return;
    }
  }
  Emit(EMR_SELECTOBJECT, index);
}

void MetafileRecorder::Forget(const GdiObject* obj) {
  auto it = indexes_.find(obj);
  if (it == indexes_.end()) return;
  Emit(EMR_DELETEOBJECT, it->second);
  used_[it->second] = false;
  indexes_.erase(it);
}

std::vector<uint8_t> MetafileRecorder::Finish() {
  EMREOF eof{};
  eof.nPalEntries = 0;
  eof.offPalEntries = 16;
  eof.nSizeLast = sizeof(EMREOF);
  Append(EMR_EOF, &eof.nPalEntries, sizeof(eof) - sizeof(EMR));

  ENHMETAHEADER h{};
  size_t descBytes = description_.size() * 2;
  size_t headerSize = sizeof(ENHMETAHEADER) + ((descBytes + 3) & ~size_t(3));
  h.iType = EMR_HEADER;
  h.nSize = DWORD(headerSize);
  if (bounds_.Empty()) h.rclBounds = {0, 0, -1, -1};
  else h.rclBounds = {bounds_.left, bounds_.top, bounds_.right - 1, bounds_.bottom - 1};
  if (frameGiven_) {
    h.rclFrame = frame_;
  } else {
    // From the drawn bounds, in 0.01 mm of the reference device.
    auto mm = [](LONG px, int sizeMm, int res) {
      return LONG(int64_t(px) * sizeMm * 100 / std::max(1, res));
    };
    h.rclFrame = {mm(h.rclBounds.left, ref_.horzSizeMm, ref_.horzRes),
                  mm(h.rclBounds.top, ref_.vertSizeMm, ref_.vertRes),
                  mm(h.rclBounds.right, ref_.horzSizeMm, ref_.horzRes),
                  mm(h.rclBounds.bottom, ref_.vertSizeMm, ref_.vertRes)};
  }
  h.dSignature = ENHMETA_SIGNATURE;
  h.nVersion = 0x10000;
  h.nBytes = DWORD(headerSize + body_.size());
  h.nRecords = records_ + 1;
  h.nHandles = WORD(std::min<size_t>(used_.size(), 0xFFFF));
  h.nDescription = DWORD(description_.size());
  h.offDescription = description_.empty() ? 0 : DWORD(sizeof(ENHMETAHEADER));
  h.szlDevice = {ref_.horzRes, ref_.vertRes};
  h.szlMillimeters = {ref_.horzSizeMm, ref_.vertSizeMm};
  h.szlMicrometers = {ref_.horzSizeMm * 1000, ref_.vertSizeMm * 1000};
  std::vector<uint8_t> out;
  out.reserve(h.nBytes);
  Put(out, h);
  const auto* d = reinterpret_cast<const uint8_t*>(description_.data());
  out.insert(out.end(), d, d + descBytes);
  out.resize(headerSize, 0);
  out.insert(out.end(), body_.begin(), body_.end());
  body_.clear();
  return out;
}

bool ValidMetafileBytes(const uint8_t* data, size_t size) {
  constexpr size_t kMinHeader = 88;  // the header without its later extensions
  if (!data || size < kMinHeader + sizeof(EMREOF) || size > 0x7FFFFFFF) return false;
  ENHMETAHEADER h{};
  std::memcpy(&h, data, std::min(size, sizeof(h)));
  if (h.iType != EMR_HEADER || h.dSignature != ENHMETA_SIGNATURE) return false;
  if (h.nSize < kMinHeader || h.nSize % 4 || h.nBytes > size || h.nBytes < h.nSize || h.nBytes % 4)
    return false;
  if (h.nDescription && (uint64_t(h.offDescription) + uint64_t(h.nDescription) * 2 > h.nBytes ||
                         h.offDescription < kMinHeader))
    return false;
  size_t pos = 0;
  DWORD records = 0;
  DWORD lastType = 0;
  while (pos < h.nBytes) {
    if (h.nBytes - pos < 8) return false;
    DWORD type, rsize;
    std::memcpy(&type, data + pos, 4);
    std::memcpy(&rsize, data + pos + 4, 4);
    if (rsize < 8 || rsize % 4 || rsize > h.nBytes - pos) return false;
    if (records > 0 && type == EMR_HEADER) return false;
    if (type == EMR_EOF && pos + rsize != h.nBytes) return false;
    pos += rsize;
    lastType = type;
    ++records;
  }
  return lastType == EMR_EOF && records == h.nRecords;
}

namespace {
HENHMETAFILE NewMetafile(std::vector<uint8_t> bytes) {
  auto mf = std::make_shared<EnhMetaFile>();
  mf->bytes = std::move(bytes);
  return reinterpret_cast<HENHMETAFILE>(Register(mf));
}

bool WriteFileAtomically(const char* winPath, const std::vector<uint8_t>& bytes) {
  std::string host = win::paths::ToHost(winPath);
  std::string tmp = host + ".tmp~";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
      out.close();
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), host.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace

}  // namespace win::gdi

using namespace win::gdi;

HDC CreateEnhMetaFileA(HDC reference, LPCSTR fileName, const RECT* frame, LPCSTR description) {
  DeviceCaps caps = DisplayCaps();
  if (reference) {
    auto ref = Lookup<DeviceContext>(reference, OBJ_DC);
    if (!ref) return nullptr;
    caps = ref->Caps();
  }
  if (frame && (frame->right < frame->left || frame->bottom < frame->top)) return nullptr;
  std::u16string desc;
  if (description) {
    // "application\0picture\0\0": copied up to the double terminator.
    size_t i = 0;
    while (i < 4096 && !(description[i] == 0 && (i == 0 || description[i - 1] == 0))) {
      desc.push_back(char16_t(uint8_t(description[i])));
      ++i;
    }
    if (!desc.empty()) {
      if (desc.back() != 0) desc.push_back(0);
      desc.push_back(0);
    }
  }
  std::shared_ptr<DeviceContext> dc;
  HDC h = NewDC(DeviceContext::Kind::Metafile, caps, &dc);
  auto rec = std::make_unique<MetafileRecorder>(caps, frame, std::move(desc));
  if (fileName) rec->file = fileName;
  dc->SetRecorder(std::move(rec));
  return h;
}

HENHMETAFILE CloseEnhMetaFile(HDC hdc) {
  auto dc = Lookup<DeviceContext>(hdc, OBJ_DC);
  if (!dc || dc->kind() != DeviceContext::Kind::Metafile || !dc->recorder()) return nullptr;
  auto rec = dc->TakeRecorder();
  std::vector<uint8_t> bytes = rec->Finish();
  std::string file = rec->file;
  rec.reset();
  Unregister(hdc);
  if (!file.empty() && !WriteFileAtomically(file.c_str(), bytes)) return nullptr;
  return NewMetafile(std::move(bytes));
}

BOOL DeleteEnhMetaFile(HENHMETAFILE emf) {
  if (!Lookup<EnhMetaFile>(emf, OBJ_ENHMETAFILE)) return FALSE;
  return Unregister(emf) ? TRUE : FALSE;
}

UINT GetEnhMetaFileBits(HENHMETAFILE emf, UINT size, LPBYTE data) {
  auto mf = Lookup<EnhMetaFile>(emf, OBJ_ENHMETAFILE);
  if (!mf) return 0;
  UINT n = UINT(mf->bytes.size());
  if (!data) return n;
  if (size < n) return 0;
  std::memcpy(data, mf->bytes.data(), n);
  return n;
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
  if (!ValidMetafileBytes(data, size)) return nullptr;
  DWORD nBytes;
  std::memcpy(&nBytes, data + offsetof(ENHMETAHEADER, nBytes), 4);
  return NewMetafile(std::vector<uint8_t>(data, data + nBytes));
}

HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE emf, LPCSTR fileName) {
  auto mf = Lookup<EnhMetaFile>(emf, OBJ_ENHMETAFILE);
  if (!mf) return nullptr;
  if (fileName && *fileName && !WriteFileAtomically(fileName, mf->bytes)) return nullptr;
  return NewMetafile(mf->bytes);
}

HENHMETAFILE GetEnhMetaFileA(LPCSTR fileName) {
  if (!fileName) return nullptr;
  std::ifstream in(win::paths::ToHost(fileName), std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() > 0x7FFFFFFF) return nullptr;
  return SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
}

UINT GetEnhMetaFileHeader(HENHMETAFILE emf, UINT size, ENHMETAHEADER* header) {
  auto mf = Lookup<EnhMetaFile>(emf, OBJ_ENHMETAFILE);
  if (!mf) return 0;
  UINT n = std::min<UINT>(mf->Header().nSize, sizeof(ENHMETAHEADER));
  if (!header) return n;
  UINT give = std::min(size, n);
  std::memset(header, 0, std::min<size_t>(size, sizeof(ENHMETAHEADER)));
  std::memcpy(header, mf->bytes.data(), give);
  return give;
}

UINT GetEnhMetaFileDescriptionA(HENHMETAFILE emf, UINT size, LPSTR text) {
  auto mf = Lookup<EnhMetaFile>(emf, OBJ_ENHMETAFILE);
  if (!mf) return UINT(GDI_ERROR);
  const auto& h = mf->Header();
  UINT n = h.nDescription;
  if (!text) return n;
  UINT give = std::min(size, n);
  for (UINT i = 0; i < give; ++i) {
    uint16_t c;
    std::memcpy(&c, mf->bytes.data() + h.offDescription + 2 * i, 2);
    text[i] = c < 256 ? char(c) : '?';
  }
  return give;
}
