// Copies and releases of NIST library entries.
#include "fandor/nist_entries.h"

#include <cstring>

#include "orvik32/orvik32.h"

namespace {

// A new block holding a copy of size bytes of src; 0 for no source.
void* CopyBytes(const void* src, uint32_t size, bool* failed) {
  if (!src || size == 0) return nullptr;
  void* out = AllocBlock(size);
  if (!out) {
    *failed = true;
    return nullptr;
  }
  std::memcpy(out, src, size);
  return out;
}

NIST_AUX_DATA* DuplicateAux(const NIST_AUX_DATA* src, bool* failed) {
  auto* aux = static_cast<NIST_AUX_DATA*>(AllocBlock(sizeof(NIST_AUX_DATA)));
  if (!aux) {
    *failed = true;
    return nullptr;
  }
  std::memcpy(aux, src, sizeof *aux);
  aux->text = nullptr;
  aux->block = nullptr;
  aux->values = nullptr;
  bool bad = false;
  aux->text = static_cast<char*>(CopyBytes(src->text, src->textSize, &bad));
  aux->block = static_cast<uint8_t*>(CopyBytes(src->block, src->blockSize, &bad));
  if (src->valueCount > (1u << 28)) bad = true;
  else aux->values = static_cast<uint32_t*>(CopyBytes(src->values, src->valueCount * 4u, &bad));
  if (bad) {
    ReleaseNistAuxData(aux);
    *failed = true;
    return nullptr;
  }
  return aux;
}

}  // namespace

FANDOR_API STRUCT_NIST_SPT* DuplicateNistEntry(const STRUCT_NIST_SPT* entry) {
  if (!entry) return nullptr;
  const uint32_t size = GetBlockSize(entry);
  if (size < offsetof(STRUCT_NIST_SPT, pairs)) return nullptr;
  auto* copy = static_cast<STRUCT_NIST_SPT*>(AllocBlock(size));
  if (!copy) return nullptr;
  std::memcpy(copy, entry, size);
  copy->aux = nullptr;
  copy->chemStruct = nullptr;
  bool failed = false;
  if (entry->aux) copy->aux = DuplicateAux(entry->aux, &failed);
  if (!failed && entry->chemStruct)
    copy->chemStruct = static_cast<uint8_t*>(CopyBytes(entry->chemStruct, NIST_CHEM_STRUCT_SIZE, &failed));
  if (failed) {
    ReleaseNistAuxData(copy->aux);
    FreeBlock(copy->chemStruct);
    FreeBlock(copy);
    return nullptr;
  }
  return copy;
}

FANDOR_API void ReleaseNistAuxData(NIST_AUX_DATA* aux) {
  if (!aux) return;
  FreeBlock(aux->text);
  FreeBlock(aux->block);
  FreeBlock(aux->values);
  FreeBlock(aux);
}
