#include "platform/core/tests/TestClasses.h"

#include <cstring>

int CTestCounted::s_live = 0;

IMPLEMENT_SERIAL(CTestPoint, CObject, 1)
IMPLEMENT_SERIAL(CTestVersioned, CObject, VERSIONABLE_SCHEMA | 3)
IMPLEMENT_SERIAL(CTestNode, CObject, 1)

void CTestPoint::Serialize(CArchive& ar) {
  if (ar.IsStoring())
    ar << m_x << m_y;
  else
    ar >> m_x >> m_y;
}

void CTestVersioned::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_x << m_y;
    return;
  }
  m_loadedSchema = ar.GetObjectSchema();
  ar >> m_x;
  if (m_loadedSchema >= 2) ar >> m_y;
}

CTestNode::~CTestNode() {
  while (!m_children.IsEmpty()) delete m_children.RemoveHead();
}

void CTestNode::Serialize(CArchive& ar) {
  if (ar.IsStoring())
    ar << m_tag;
  else
    ar >> m_tag;
  m_children.Serialize(ar);
}

Bytes StoreBytes(const std::function<void(CArchive&)>& fn) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    fn(ar);
    ar.Close();
  }
  const auto* p = file.GetData();
  return Bytes(p, p + file.GetLength());
}

void LoadBytes(const Bytes& bytes, const std::function<void(CArchive&)>& fn) {
  Bytes copy = bytes;
  CMemFile file(copy.data(), static_cast<UINT>(copy.size()));
  CArchive ar(&file, CArchive::load);
  fn(ar);
}

void Append(Bytes& b, std::initializer_list<int> values) {
  for (int v : values) b.push_back(static_cast<std::uint8_t>(v));
}

void AppendWord(Bytes& b, unsigned v) { Append(b, {static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF)}); }

void AppendDword(Bytes& b, unsigned v) {
  AppendWord(b, v & 0xFFFF);
  AppendWord(b, v >> 16);
}

void AppendDouble(Bytes& b, double v) {
  std::uint8_t raw[8];
  std::memcpy(raw, &v, 8);
  b.insert(b.end(), raw, raw + 8);
}

void AppendText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

void AppendNewClass(Bytes& b, unsigned schema, const std::string& name) {
  AppendWord(b, 0xFFFF);
  AppendWord(b, schema);
  AppendWord(b, static_cast<unsigned>(name.size()));
  AppendText(b, name);
}
