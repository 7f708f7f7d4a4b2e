#pragma once
// Object base class with run-time class records, and the macros that give a class
// its record (dynamic: IsKindOf; dyncreate: creation by name; serial: archive loading).

#include "platform/core/WinTypes.h"

class CArchive;
class CObject;
class CDumpContext;

// Set in a schema number to accept records whose stored schema differs from the
// class's own; `CArchive::GetObjectSchema` then tells the stored number.
constexpr UINT VERSIONABLE_SCHEMA = 0x80000000u;

// Schema of classes that have a record but cannot be stored.
constexpr UINT kSchemaNotSerializable = 0xFFFFu;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // schema number, possibly with VERSIONABLE_SCHEMA; 0xFFFF when not storable
  CObject* (*m_pfnCreateObject)();
  CRuntimeClass* m_pBaseClass;

  // A new default-constructed object, or null when the class cannot be created.
  CObject* CreateObject() const;
  BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
  BOOL IsSerializable() const { return (m_wSchema & ~VERSIONABLE_SCHEMA) != kSchemaNotSerializable; }

  // Process-wide lookup of registered classes by name (null when unknown).
  static CRuntimeClass* FromName(LPCSTR lpszClassName);
  static CRuntimeClass* FromName(LPCWSTR lpszClassName);
  static CObject* CreateObject(LPCSTR lpszClassName);
  static CObject* CreateObject(LPCWSTR lpszClassName);

  // Class part of an archive's new-class record: WORD schema, WORD name length, name bytes.
  void Store(CArchive& ar) const;
  // Reads that class part and finds the class; null for an unknown or overlong name.
  static CRuntimeClass* Load(CArchive& ar, UINT* pwSchemaNum);
};

// Adds a class record to the process-wide name registry for the lifetime of the
// object; the IMPLEMENT_ macros put one in each class's translation unit, so classes
// of every shared library (and of plug-ins, until unloaded) are found by name.
class CRuntimeClassRegistration {
public:
  explicit CRuntimeClassRegistration(CRuntimeClass* pClass);
  ~CRuntimeClassRegistration();
  CRuntimeClassRegistration(const CRuntimeClassRegistration&) = delete;
  CRuntimeClassRegistration& operator=(const CRuntimeClassRegistration&) = delete;

private:
  CRuntimeClass* m_pClass;
};

// `CArchive::ReadObject`, reachable from the serial macros without including the archive header.
CObject* KorvelReadObject(CArchive& ar, const CRuntimeClass* pClassRefRequested);

// Diagnostic output sink; dumping writes nothing in this build.
class CDumpContext {
public:
  template <class T>
  CDumpContext& operator<<(const T&) { return *this; }
};

class CObject {
public:
  static CRuntimeClass classCObject;
  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;

  BOOL IsKindOf(const CRuntimeClass* pClass) const;
  BOOL IsSerializable() const;
  virtual void Serialize(CArchive& ar);
  virtual void AssertValid() const;
  virtual void Dump(CDumpContext& dc) const;

protected:
  CObject() = default;

public:
  // As in the class library, objects are not copyable unless a class says how.
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name) \
public:                             \
  static CRuntimeClass class##class_name; \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) \
  DECLARE_DYNCREATE(class_name)    \
  friend CArchive& operator>>(CArchive& ar, class_name*& pOb);

#define KORVEL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                  \
  CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), \
                                                 (wSchema), (pfnNew), RUNTIME_CLASS(base_class_name)}; \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }        \
  static CRuntimeClassRegistration korvelClassRegistration_##class_name(RUNTIME_CLASS(class_name));

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  KORVEL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, kSchemaNotSerializable, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                         \
  CObject* class_name::CreateObject() { return new class_name; }                \
  KORVEL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, kSchemaNotSerializable, \
                                class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                       \
  CObject* class_name::CreateObject() { return new class_name; }                    \
  KORVEL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, (wSchema), class_name::CreateObject) \
  [[maybe_unused]] CArchive& operator>>(CArchive& ar, class_name*& pOb) {           \
    pOb = static_cast<class_name*>(KorvelReadObject(ar, RUNTIME_CLASS(class_name))); \
    return ar;                                                                      \
  }

#ifndef NDEBUG
#define ASSERT_VALID(pOb) ((pOb)->AssertValid())
#define ASSERT_KINDOF(class_name, pOb) ASSERT((pOb)->IsKindOf(RUNTIME_CLASS(class_name)))
#else
#define ASSERT_VALID(pOb) ((void)0)
#define ASSERT_KINDOF(class_name, pOb) ((void)0)
#endif

// Checked downcast through the run-time class records; null when `pOb` is not a `T`.
#define DYNAMIC_DOWNCAST(class_name, pOb) \
  (((pOb) != nullptr && (pOb)->IsKindOf(RUNTIME_CLASS(class_name))) ? static_cast<class_name*>(pOb) : nullptr)
#define STATIC_DOWNCAST(class_name, pOb) (static_cast<class_name*>(pOb))
