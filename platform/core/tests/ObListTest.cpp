#include "platform/core/ObList.h"
#include "platform/core/tests/TestClasses.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::vector<int> Tags(const CObList& list) {
  std::vector<int> out;
  POSITION pos = list.GetHeadPosition();
  while (pos != nullptr) {
    const CObject* p = list.GetNext(pos);
    out.push_back(p == nullptr ? 0 : static_cast<const CTestNode*>(p)->m_tag);
  }
  return out;
}

class ObListTest : public ::testing::Test {
protected:
  void SetUp() override {
    CTestCounted::s_live = 0;
    for (int i = 1; i <= 6; ++i) nodes.push_back(std::make_unique<CTestNode>(i));
  }
  CTestNode* N(int tag) { return nodes[static_cast<size_t>(tag - 1)].get(); }
  std::vector<std::unique_ptr<CTestNode>> nodes;
};

TEST_F(ObListTest, RemovalWhileIteratingKeepsOtherPositions) {
  CObList list;
  POSITION kept[7] = {};
  for (int i = 1; i <= 6; ++i) kept[i] = list.AddTail(N(i));
  POSITION pos = list.GetHeadPosition();
  while (pos != nullptr) {
    POSITION cur = pos;
    auto* p = static_cast<CTestNode*>(list.GetNext(pos));
    if (p->m_tag % 2 == 0) list.RemoveAt(cur);
  }
  EXPECT_EQ(Tags(list), (std::vector<int>{1, 3, 5}));
  // Positions of the kept elements are still the same nodes.
  EXPECT_EQ(list.GetAt(kept[3]), N(3));
  list.InsertAfter(kept[3], N(4));
  list.InsertBefore(kept[1], N(2));
  EXPECT_EQ(Tags(list), (std::vector<int>{2, 1, 3, 4, 5}));
  // Backwards, removing the odd ones (head and tail included) while walking.
  pos = list.GetTailPosition();
  std::vector<int> back;
  while (pos != nullptr) {
    POSITION cur = pos;
    const int tag = static_cast<CTestNode*>(list.GetPrev(pos))->m_tag;
    back.push_back(tag);
    if (tag % 2 == 1) list.RemoveAt(cur);
  }
  EXPECT_EQ(back, (std::vector<int>{5, 4, 3, 1, 2}));
  EXPECT_EQ(Tags(list), (std::vector<int>{2, 4}));
  EXPECT_EQ(list.GetHead(), N(2));
  EXPECT_EQ(list.GetTail(), N(4));
}

TEST_F(ObListTest, NullEntriesAreElements) {
  CObList list;
  list.AddTail(static_cast<CObject*>(nullptr));
  list.AddTail(N(1));
  list.AddHead(static_cast<CObject*>(nullptr));
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetHead(), nullptr);
  EXPECT_EQ(list.Find(nullptr), list.GetHeadPosition());
  EXPECT_EQ(list.Find(nullptr, list.GetHeadPosition()), list.FindIndex(1));
  EXPECT_EQ(list.Find(N(2)), nullptr);
  EXPECT_EQ(Tags(list), (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(list.RemoveHead(), nullptr);
  EXPECT_EQ(list.RemoveTail(), N(1));
  EXPECT_EQ(list.GetCount(), 1);
}

TEST_F(ObListTest, HeadTailListsAndIndices) {
  CObList a, b;
  a.AddTail(N(2));
  a.AddTail(N(3));
  b.AddTail(N(4));
  b.AddTail(N(5));
  a.AddTail(&b);
  a.AddHead(N(1));
  EXPECT_EQ(Tags(a), (std::vector<int>{1, 2, 3, 4, 5}));
  a.AddHead(&b);
  EXPECT_EQ(Tags(a), (std::vector<int>{4, 5, 1, 2, 3, 4, 5}));
  a.AddTail(&a);  // a list added to itself is copied once
  EXPECT_EQ(a.GetCount(), 14);
  EXPECT_EQ(a.FindIndex(2), a.Find(N(1)));
  EXPECT_EQ(a.FindIndex(14), nullptr);
  EXPECT_EQ(a.FindIndex(-1), nullptr);
  a.SetAt(a.GetHeadPosition(), N(6));
  EXPECT_EQ(a.GetHead(), N(6));
  EXPECT_EQ(a.GetTail(), N(5));
  a.RemoveAll();
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(a.GetHeadPosition(), nullptr);
  EXPECT_EQ(a.GetTailPosition(), nullptr);
  EXPECT_EQ(b.GetCount(), 2) << "elements are not owned: the other list is untouched";
  EXPECT_EQ(CTestCounted::s_live, 6) << "removing never deletes elements";
}

TEST_F(ObListTest, TypedListsCastBothWays) {
  CTypedPtrList<CObList, CTestNode*> list;
  list.AddTail(N(1));
  list.AddTail(N(2));
  list.AddHead(static_cast<CTestNode*>(nullptr));
  POSITION pos = list.GetHeadPosition();
  EXPECT_EQ(list.GetNext(pos), nullptr);
  CTestNode* second = list.GetNext(pos);
  EXPECT_EQ(second->m_tag, 1);
  int sum = 0;
  for (CTestNode* n : list) sum += n != nullptr ? n->m_tag : 100;
  EXPECT_EQ(sum, 103);
  CTypedPtrList<CPtrList, int*> ints;
  int x = 7;
  ints.AddTail(&x);
  EXPECT_EQ(*ints.GetHead(), 7);
}

// Owners empty their typed lists with a range-for that deletes each element;
// stepping to the next element must not touch the one just deleted.
TEST(ObListTyped, RangeForMayDeleteVisitedElements) {
  CTestCounted::s_live = 0;
  CTypedPtrList<CObList, CTestNode*> list;
  for (int i = 1; i <= 3; ++i) list.AddTail(new CTestNode(i));
  for (CTestNode* n : list) delete n;
  list.RemoveAll();
  EXPECT_EQ(CTestCounted::s_live, 0);
}

// A typed list whose elements are lists themselves: each element goes in as one entry,
// not as a list whose entries are appended.
TEST(ObListTyped, ListsOfListsHoldTheirElements) {
  using Inner = CTypedPtrList<CPtrList, int*>;
  struct Holder : Inner {};
  int x = 1;
  Holder a, b;
  a.AddTail(&x);
  CTypedPtrList<CPtrList, Holder*> outer;
  outer.AddTail(&a);
  outer.AddHead(&b);
  ASSERT_EQ(outer.GetCount(), 2);
  EXPECT_EQ(outer.GetHead(), &b);
  EXPECT_EQ(outer.GetTail(), &a);
}

TEST(ObListSerialize, CountWordOrLongCount) {
  struct Case {
    const char* label;
    int count;
    Bytes prefix;
  };
  const Case cases[] = {
      {"three", 3, {0x03, 0x00}},
      {"0xFFFE", 0xFFFE, {0xFE, 0xFF}},
      {"0xFFFF", 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {"70000", 70000, {0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    CTestCounted::s_live = 0;
    {
      CTestNode owner(0);  // owns the elements
      for (int i = 0; i < c.count; ++i) owner.m_children.AddTail(new CTestPoint(i, 0.25));
      const Bytes bytes = StoreBytes([&](CArchive& ar) { owner.m_children.Serialize(ar); });
      Bytes want = c.prefix;
      AppendNewClass(want, 1, "CTestPoint");
      Append(want, {0, 0, 0, 0});
      AppendDouble(want, 0.25);
      ASSERT_GE(bytes.size(), want.size()) << c.label;
      EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(want.size())), want) << c.label;
      EXPECT_EQ(bytes.size(), c.prefix.size() + 16 + 12 + static_cast<size_t>(c.count - 1) * 14) << c.label;

      CTestNode loaded(0);
      LoadBytes(bytes, [&](CArchive& ar) { loaded.m_children.Serialize(ar); });
      ASSERT_EQ(loaded.m_children.GetCount(), c.count) << c.label;
      EXPECT_EQ(static_cast<CTestPoint*>(loaded.m_children.GetTail())->m_x, c.count - 1) << c.label;
    }
    EXPECT_EQ(CTestCounted::s_live, 0) << c.label;
  }
}

TEST(ObListSerialize, FailedLoadLeavesEarlierElementsAndFreesNewOnes) {
  CTestCounted::s_live = 0;
  CTestPoint existing(9, 9.0);
  Bytes b;
  AppendWord(b, 3);
  AppendNewClass(b, 1, "CTestPoint");
  Append(b, {1, 0, 0, 0});
  AppendDouble(b, 1.0);
  AppendWord(b, 2);  // the same object again
  AppendWord(b, 0x8001);
  Append(b, {2, 0, 0});  // cut inside the third element
  CObList list;
  list.AddTail(&existing);
  EXPECT_THROW(LoadBytes(b, [&](CArchive& ar) { list.Serialize(ar); }), CArchiveException);
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetHead(), &existing);
  EXPECT_EQ(CTestCounted::s_live, 1);
}

}  // namespace
