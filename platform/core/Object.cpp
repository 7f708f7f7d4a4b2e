#include "platform/core/Object.h"

#include "platform/core/Archive.h"
#include "platform/core/WinString.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Name -> registered classes; the last registration of a name wins, and an unloaded
// module's class gives way to an earlier one of the same name.
struct ClassRegistry {
  std::mutex mutex;
  std::map<std::string, std::vector<CRuntimeClass*>, std::less<>> byName;
};

ClassRegistry& Registry() {
  // Never destroyed: registration objects of other modules may outlive this one's statics.
  static ClassRegistry* registry = new ClassRegistry;
  return *registry;
}

}  // namespace

CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), kSchemaNotSerializable,
                                       nullptr, nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->IsSerializable(); }

void CObject::Serialize(CArchive&) {}

void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext&) const {}

CObject* CRuntimeClass::CreateObject() const { return m_pfnCreateObject != nullptr ? m_pfnCreateObject() : nullptr; }

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
  for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass) {
    if (c == pBaseClass) return TRUE;
  }
  return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName) {
  if (lpszClassName == nullptr) return nullptr;
  ClassRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  auto it = r.byName.find(std::string_view(lpszClassName));
  return it == r.byName.end() || it->second.empty() ? nullptr : it->second.back();
}

CRuntimeClass* CRuntimeClass::FromName(LPCWSTR lpszClassName) {
  if (lpszClassName == nullptr) return nullptr;
  return FromName(CString(lpszClassName).ToUtf8().c_str());
}

CObject* CRuntimeClass::CreateObject(LPCSTR lpszClassName) {
  CRuntimeClass* c = FromName(lpszClassName);
  return c != nullptr ? c->CreateObject() : nullptr;
}

CObject* CRuntimeClass::CreateObject(LPCWSTR lpszClassName) {
  CRuntimeClass* c = FromName(lpszClassName);
  return c != nullptr ? c->CreateObject() : nullptr;
}

CRuntimeClassRegistration::CRuntimeClassRegistration(CRuntimeClass* pClass) : m_pClass(pClass) {
  ClassRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  r.byName[pClass->m_lpszClassName].push_back(pClass);
}

CRuntimeClassRegistration::~CRuntimeClassRegistration() {
  ClassRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  auto it = r.byName.find(std::string_view(m_pClass->m_lpszClassName));
  if (it == r.byName.end()) return;
  auto& v = it->second;
  v.erase(std::remove(v.begin(), v.end(), m_pClass), v.end());
  if (v.empty()) r.byName.erase(it);
}

void CRuntimeClass::Store(CArchive& ar) const {
  const auto nLen = static_cast<WORD>(std::strlen(m_lpszClassName));
  ar << static_cast<WORD>(m_wSchema & 0xFFFFu) << nLen;
  ar.Write(m_lpszClassName, nLen);
}

CRuntimeClass* CRuntimeClass::Load(CArchive& ar, UINT* pwSchemaNum) {
  WORD wSchema = 0;
  WORD nLen = 0;
  ar >> wSchema >> nLen;
  if (nLen == 0 || nLen > CArchive::nMaxClassNameLength) return nullptr;
  char name[CArchive::nMaxClassNameLength + 1];
  if (ar.Read(name, nLen) != nLen) AfxThrowArchiveException(CArchiveException::endOfFile);
  name[nLen] = '\0';
  if (pwSchemaNum != nullptr) *pwSchemaNum = wSchema;
  return FromName(name);
}
