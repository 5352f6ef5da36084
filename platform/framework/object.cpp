// Run-time class information.
#include <cstring>
#include <map>
#include <string>

#include "framework_wnd.h"

namespace {
std::map<std::string, const CRuntimeClass*>& Registry() {
  static auto* r = new std::map<std::string, const CRuntimeClass*>();
  return *r;
}
}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject), nullptr, nullptr};

CObject::~CObject() = default;
const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }
bool CObject::IsKindOf(const CRuntimeClass* c) const { return GetRuntimeClass()->IsDerivedFrom(c); }

CObject* CRuntimeClass::CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
    if (c == base) return true;
  return false;
}

const CRuntimeClass* CRuntimeClass::FromName(const char* name) {
  if (!name) return nullptr;
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : it->second;
}

CRuntimeClassRegistration::CRuntimeClassRegistration(const CRuntimeClass* c) {
  if (c && c->m_lpszClassName) Registry()[c->m_lpszClassName] = c;
}
