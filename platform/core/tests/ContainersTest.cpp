#include "platform/core/Containers.h"
#include "platform/core/WinGeometry.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace {

std::vector<int> Values(const CArray<int, int>& a) { return std::vector<int>(a.GetData(), a.GetData() + a.GetSize()); }

TEST(CArrayTest, EditsMatchAVectorModel) {
  CArray<int, int> a;
  a.SetSize(3, 16);
  EXPECT_EQ(Values(a), (std::vector<int>{0, 0, 0})) << "new elements are zero";
  a[1] = 5;
  a.SetAt(2, 7);
  a.Add(9);
  a.InsertAt(0, 1, 2);
  EXPECT_EQ(Values(a), (std::vector<int>{1, 1, 0, 5, 7, 9}));
  a.InsertAt(8, 4);  // past the end: grows with zeros first
  EXPECT_EQ(Values(a), (std::vector<int>{1, 1, 0, 5, 7, 9, 0, 0, 4}));
  a.RemoveAt(1, 3);
  EXPECT_EQ(Values(a), (std::vector<int>{1, 7, 9, 0, 0, 4}));
  a.InsertAt(0, a[5]);  // an element of the array itself
  EXPECT_EQ(a.GetAt(0), 4);
  EXPECT_EQ(a.Append(a), 7);
  EXPECT_EQ(a.GetSize(), 14);
  CArray<int, int> b;
  b.Copy(a);
  b.InsertAt(1, &a);
  EXPECT_EQ(b.GetSize(), 28);
  a.RemoveAt(100);  // out of range: nothing
  a.SetAtGrow(20, 3);
  EXPECT_EQ(a.GetSize(), 21);
  EXPECT_EQ(a.GetUpperBound(), 20);
  a.RemoveAll();
  EXPECT_TRUE(a.IsEmpty());
  CStringArray names;
  names.Add(CString(L"one"));
  names.Add(L"two");
  EXPECT_EQ(names[1], L"two");
  CUIntArray ends;
  ends.Add(0);
  ends.Add(4);
  EXPECT_EQ(ends.GetCount(), 2);
}

struct SEdgeKey {
  int a, b;
  bool operator==(const SEdgeKey&) const = default;
};

}  // namespace

template <>
inline UINT HashKey<const SEdgeKey&>(const SEdgeKey& key) {
  return static_cast<UINT>(key.a * 31 + key.b);
}

namespace {

TEST(CMapTest, AgreesWithStdMapUnderRandomEdits) {
  CMap<int, int, int, int> m;
  std::map<int, int> model;
  std::mt19937 rng(7);
  for (int step = 0; step < 20000; ++step) {
    const int key = static_cast<int>(rng() % 500);
    switch (rng() % 3) {
      case 0:
        m.SetAt(key, step);
        model[key] = step;
        break;
      case 1:
        EXPECT_EQ(m.RemoveKey(key) != FALSE, model.erase(key) == 1) << "step " << step;
        break;
      default: {
        int v = -1;
        const bool found = m.Lookup(key, v) != FALSE;
        ASSERT_EQ(found, model.count(key) == 1) << "step " << step;
        if (found) {
          EXPECT_EQ(v, model[key]) << "step " << step;
        }
      }
    }
  }
  ASSERT_EQ(m.GetCount(), static_cast<INT_PTR>(model.size()));
  std::map<int, int> visited;
  POSITION pos = m.GetStartPosition();
  while (pos != nullptr) {
    int k, v;
    m.GetNextAssoc(pos, k, v);
    EXPECT_TRUE(visited.emplace(k, v).second) << "key visited twice: " << k;
  }
  EXPECT_EQ(visited, model);
}

TEST(CMapTest, IterationFollowsInsertionAndKeysOfOtherKinds) {
  CMap<CString, LPCWSTR, int, int> names;
  names[L"zeta"] = 1;
  names[L"alpha"] = 2;
  names.SetAt(L"mid", 3);
  names[CString(L"alpha")] += 10;
  std::vector<std::wstring> order;
  POSITION pos = names.GetStartPosition();
  while (pos != nullptr) {
    CString k;
    int v;
    names.GetNextAssoc(pos, k, v);
    order.push_back(k.str());
  }
  EXPECT_EQ(order, (std::vector<std::wstring>{L"zeta", L"alpha", L"mid"}));
  int v = 0;
  EXPECT_TRUE(names.Lookup(CString(L"alpha").GetString(), v));
  EXPECT_EQ(v, 12);

  CMap<SEdgeKey, const SEdgeKey&, UINT, UINT> edges(10);
  edges.InitHashTable(7);
  edges[SEdgeKey{1, 2}] = 5;
  edges[SEdgeKey{2, 1}] = 6;
  UINT u = 0;
  EXPECT_TRUE(edges.Lookup(SEdgeKey{1, 2}, u));
  EXPECT_EQ(u, 5u);
  EXPECT_FALSE(edges.Lookup(SEdgeKey{3, 3}, u));
  EXPECT_EQ(edges.GetHashTableSize(), 7u);
}

TEST(WinGeometryTest, RectangleOperations) {
  CRect r(10, 20, 0, 5);
  EXPECT_TRUE(r.IsRectEmpty());
  r.NormalizeRect();
  EXPECT_EQ(r, CRect(0, 5, 10, 20));
  EXPECT_EQ(r.Width(), 10);
  EXPECT_EQ(r.Height(), 15);
  EXPECT_EQ(r.CenterPoint(), CPoint(5, 12));
  EXPECT_TRUE(r.PtInRect(CPoint(0, 5)));
  EXPECT_FALSE(r.PtInRect(CPoint(10, 5))) << "right edge is outside";
  CRect i;
  EXPECT_TRUE(i.IntersectRect(&r, CRect(5, 0, 50, 10)));
  EXPECT_EQ(i, CRect(5, 5, 10, 10));
  EXPECT_FALSE(i.IntersectRect(&r, CRect(10, 0, 20, 30))) << "touching rectangles do not overlap";
  EXPECT_TRUE(i.IsRectNull());
  CRect u;
  EXPECT_TRUE(u.UnionRect(&r, CRect(0, 0, 0, 0)));
  EXPECT_EQ(u, r) << "an empty rectangle does not extend the union";
  u.UnionRect(&r, CRect(-5, 30, -1, 40));
  EXPECT_EQ(u, CRect(-5, 5, 10, 40));
  u.InflateRect(1, 2);
  EXPECT_EQ(u, CRect(-6, 3, 11, 42));
  u.OffsetRect(CPoint(6, -3));
  EXPECT_EQ(u, CRect(0, 0, 17, 39));
  EXPECT_NE(u, r);
  u.SetRectEmpty();
  EXPECT_TRUE(u.IsRectEmpty());
  EXPECT_EQ(CPoint(3, 4) - CPoint(1, 1), CSize(2, 3));
  EXPECT_EQ(RGB(1, 2, 3), 0x030201u);
}

}  // namespace
