#pragma once
// Small storable classes and byte helpers shared by the archive and list tests.

#include "platform/core/Archive.h"
#include "platform/core/ObList.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;


// Counts live test objects, so every test can check that nothing leaked.
class CTestCounted : public CObject {
public:
  static int s_live;
  CTestCounted() { ++s_live; }
  ~CTestCounted() override { --s_live; }
};

// Fixed schema 1: int32 x, double y.
class CTestPoint : public CTestCounted {
  DECLARE_SERIAL(CTestPoint)
public:
  CTestPoint() = default;
  CTestPoint(int x, double y) : m_x(x), m_y(y) {}
  void Serialize(CArchive& ar) override;
  int m_x = 0;
  double m_y = 0.0;
};

// Versionable, schema 3: remembers the schema it was loaded with; schema 1 records lack y.
class CTestVersioned : public CTestCounted {
  DECLARE_SERIAL(CTestVersioned)
public:
  void Serialize(CArchive& ar) override;
  UINT m_loadedSchema = 0;
  int m_x = 0;
  int m_y = 0;
};

// Owning composite: int32 tag, then its children as an object list.
class CTestNode : public CTestCounted {
  DECLARE_SERIAL(CTestNode)
public:
  CTestNode() = default;
  explicit CTestNode(int tag) : m_tag(tag) {}
  ~CTestNode() override;
  void Serialize(CArchive& ar) override;
  int m_tag = 0;
  CObList m_children;
};

// Bytes written by fn into a storing archive.
Bytes StoreBytes(const std::function<void(CArchive&)>& fn);
// Runs fn on a loading archive over bytes.
void LoadBytes(const Bytes& bytes, const std::function<void(CArchive&)>& fn);

// Byte-building helpers for golden data.
void Append(Bytes& b, std::initializer_list<int> values);
void AppendWord(Bytes& b, unsigned v);
void AppendDword(Bytes& b, unsigned v);
void AppendDouble(Bytes& b, double v);
void AppendText(Bytes& b, const std::string& s);
// New-class record header: 0xFFFF, schema, name length, name.
void AppendNewClass(Bytes& b, unsigned schema, const std::string& name);
