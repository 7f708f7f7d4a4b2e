#include "platform/core/Archive.h"
#include "platform/core/tests/TestClasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

namespace {

// Every test must end with no test object alive.
class ArchiveTest : public ::testing::Test {
protected:
  void SetUp() override { CTestCounted::s_live = 0; }
  void TearDown() override { EXPECT_EQ(CTestCounted::s_live, 0) << "test objects leaked"; }
};

Bytes PointRecordBody(int x, double y) {
  Bytes b;
  AppendDword(b, static_cast<unsigned>(x));
  AppendDouble(b, y);
  return b;
}

void AppendBytes(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

TEST_F(ArchiveTest, PrimitivesHaveWindowsWidthsAndLittleEndianBytes) {
  const Bytes got = StoreBytes([](CArchive& ar) {
    ar << static_cast<BYTE>(0xAB) << static_cast<WORD>(0x1234) << static_cast<short>(-2) << -2 << 0x89ABCDEFu
       << static_cast<LONG>(7) << 1.0f << 1.0 << -5LL << 6ULL << 'c' << static_cast<signed char>(-1);
  });
  Bytes want;
  Append(want, {0xAB, 0x34, 0x12, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xCD, 0xAB, 0x89, 7, 0, 0, 0});
  Append(want, {0x00, 0x00, 0x80, 0x3F});
  AppendDouble(want, 1.0);
  Append(want, {0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 6, 0, 0, 0, 0, 0, 0, 0, 'c', 0xFF});
  EXPECT_EQ(got, want);
}

TEST_F(ArchiveTest, PrimitivesRoundTrip) {
  const BYTE b0 = 0xFE;
  const WORD w0 = 0xFFFE;
  const short s0 = std::numeric_limits<short>::min();
  const int i0 = std::numeric_limits<int>::min();
  const DWORD d0 = 0xFFFFFFFFu;
  const long long ll0 = std::numeric_limits<long long>::min();
  const unsigned long long ull0 = std::numeric_limits<unsigned long long>::max();
  const float f0 = -3.25e-20f;
  const double g0 = std::numeric_limits<double>::denorm_min();
  const char c0 = 'z';
  const signed char sc0 = -128;
  const Bytes bytes = StoreBytes([&](CArchive& ar) { ar << b0 << w0 << s0 << i0 << d0 << ll0 << ull0 << f0 << g0 << c0 << sc0; });
  EXPECT_EQ(bytes.size(), 1u + 2 + 2 + 4 + 4 + 8 + 8 + 4 + 8 + 1 + 1);
  LoadBytes(bytes, [&](CArchive& ar) {
    BYTE b;
    WORD w;
    short s;
    int i;
    DWORD d;
    long long ll;
    unsigned long long ull;
    float f;
    double g;
    char c;
    signed char sc;
    ar >> b >> w >> s >> i >> d >> ll >> ull >> f >> g >> c >> sc;
    EXPECT_EQ(b, b0);
    EXPECT_EQ(w, w0);
    EXPECT_EQ(s, s0);
    EXPECT_EQ(i, i0);
    EXPECT_EQ(d, d0);
    EXPECT_EQ(ll, ll0);
    EXPECT_EQ(ull, ull0);
    EXPECT_EQ(f, f0);
    EXPECT_EQ(g, g0);
    EXPECT_EQ(c, c0);
    EXPECT_EQ(sc, sc0);
    EXPECT_EQ(ar.GetBytesLeft(), 0u);
  });
}

TEST_F(ArchiveTest, RawBlocksLargerThanTheBufferRoundTrip) {
  Bytes block(10000);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7);
  const Bytes bytes = StoreBytes([&](CArchive& ar) {
    ar << 1;
    ar.Write(block.data(), static_cast<UINT>(block.size()));
    ar << 2;
  });
  ASSERT_EQ(bytes.size(), block.size() + 8);
  LoadBytes(bytes, [&](CArchive& ar) {
    int a = 0, b = 0;
    Bytes back(block.size());
    ar >> a;
    EXPECT_EQ(ar.Read(back.data(), static_cast<UINT>(back.size())), back.size());
    ar >> b;
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(back, block);
    char extra[4];
    EXPECT_EQ(ar.Read(extra, 4), 0u) << "raw reads are short at the end, not an exception";
  });
}

TEST_F(ArchiveTest, ObjectRecordsGoldenBytes) {
  CTestPoint p(5, 1.5), q(-1, 2.0);
  Bytes newClass;
  AppendNewClass(newClass, 1, "CTestPoint");
  AppendBytes(newClass, PointRecordBody(5, 1.5));

  struct Case {
    const char* label;
    std::function<void(CArchive&)> write;
    Bytes want;
  };
  Bytes seenClass = newClass;  // class index 1, p index 2; q takes index 3
  AppendWord(seenClass, 0x8001);
  AppendBytes(seenClass, PointRecordBody(-1, 2.0));
  Bytes seenObject = newClass;
  AppendWord(seenObject, 2);
  Bytes nullObject;
  AppendWord(nullObject, 0);
  const Case cases[] = {
      {"new class", [&](CArchive& ar) { ar << &p; }, newClass},
      {"class seen before", [&](CArchive& ar) { ar << &p << &q; }, seenClass},
      {"object seen before", [&](CArchive& ar) { ar << &p << &p; }, seenObject},
      {"null object", [&](CArchive& ar) { ar << static_cast<CObject*>(nullptr); }, nullObject},
  };
  for (const Case& c : cases) EXPECT_EQ(StoreBytes(c.write), c.want) << c.label;
}

TEST_F(ArchiveTest, ObjectRecordsRoundTripWithSharedPointers) {
  CTestPoint p(5, 1.5), q(-1, 2.0);
  const Bytes bytes = StoreBytes([&](CArchive& ar) { ar << &p << &q << &p << static_cast<CObject*>(nullptr); });
  LoadBytes(bytes, [](CArchive& ar) {
    CTestPoint *a = nullptr, *b = nullptr, *c = nullptr;
    CTestPoint sentinel;
    CObject* d = &sentinel;
    ar >> a >> b >> c >> d;
    std::unique_ptr<CTestPoint> ownA(a), ownB(b);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->m_x, 5);
    EXPECT_EQ(a->m_y, 1.5);
    EXPECT_EQ(b->m_x, -1);
    EXPECT_EQ(c, a) << "a back-reference returns the same object";
    EXPECT_EQ(d, nullptr);
  });
}

TEST_F(ArchiveTest, LargeIndicesUseTheLongTags) {
  // 40000 objects of one class push the counter past 0x7FFF: then a new class, a
  // reference to it and a reference to an early and a late object need the long forms.
  constexpr int kCount = 40000;
  std::vector<std::unique_ptr<CTestPoint>> points;
  for (int i = 0; i < kCount; ++i) points.push_back(std::make_unique<CTestPoint>(i, 0.5 * i));
  CTestVersioned v1, v2;
  const Bytes bytes = StoreBytes([&](CArchive& ar) {
    for (auto& p : points) ar << p.get();
    ar << &v1 << &v2 << points[0].get() << points.back().get();
  });
  // Indices: class 1, points 2..40001, CTestVersioned class 40002, v1 40003, v2 40004.
  const size_t pointsEnd = 16 + 4 + 8 + static_cast<size_t>(kCount - 1) * (2 + 12);
  Bytes tail;
  AppendNewClass(tail, 3, "CTestVersioned");
  Append(tail, {0, 0, 0, 0, 0, 0, 0, 0});
  AppendWord(tail, 0x7FFF);
  AppendDword(tail, 0x80000000u | 40002u);
  Append(tail, {0, 0, 0, 0, 0, 0, 0, 0});
  AppendWord(tail, 2);
  AppendWord(tail, 0x7FFF);
  AppendDword(tail, 40001u);
  ASSERT_EQ(bytes.size(), pointsEnd + tail.size());
  EXPECT_EQ(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(pointsEnd), bytes.end()), tail);

  LoadBytes(bytes, [&](CArchive& ar) {
    std::vector<std::unique_ptr<CObject>> owned;
    CTestPoint* last = nullptr;
    for (int i = 0; i < kCount; ++i) {
      CTestPoint* p = nullptr;
      ar >> p;
      owned.emplace_back(p);
      ASSERT_EQ(p->m_x, i);
      last = p;
    }
    CTestVersioned *a = nullptr, *b = nullptr;
    CTestPoint *first = nullptr, *lastAgain = nullptr;
    ar >> a >> b;
    owned.emplace_back(a);
    owned.emplace_back(b);
    ar >> first >> lastAgain;
    EXPECT_EQ(first, owned.front().get());
    EXPECT_EQ(lastAgain, last);
    EXPECT_EQ(b->m_loadedSchema, 3u);
  });
}

TEST_F(ArchiveTest, BackReferencesFindTheirObjectsWhereverTheyLie) {
  // Objects packed in one array (neighbouring addresses), objects on the heap, and
  // every one written again in a shuffled order: each repeat must name the object
  // it repeats, past the long-tag limit too.
  constexpr int kPacked = 30000, kSpread = 6000;
  std::vector<CTestPoint> packed(kPacked);
  std::vector<std::unique_ptr<CTestPoint>> spread;
  std::vector<const CTestPoint*> order;
  for (int i = 0; i < kPacked; ++i) {
    packed[static_cast<size_t>(i)].m_x = i;
    order.push_back(&packed[static_cast<size_t>(i)]);
  }
  for (int i = 0; i < kSpread; ++i) {
    spread.push_back(std::make_unique<CTestPoint>(kPacked + i, 0.0));
    order.push_back(spread.back().get());
  }
  std::vector<const CTestPoint*> repeats = order;
  std::mt19937 random(7);
  std::shuffle(repeats.begin(), repeats.end(), random);
  const Bytes bytes = StoreBytes([&](CArchive& ar) {
    for (const CTestPoint* p : order) ar << p;
    for (const CTestPoint* p : repeats) ar << p;
  });
  LoadBytes(bytes, [&](CArchive& ar) {
    std::vector<std::unique_ptr<CTestPoint>> loaded;
    for (size_t i = 0; i < order.size(); ++i) {
      CTestPoint* p = nullptr;
      ar >> p;
      loaded.emplace_back(p);
      ASSERT_EQ(p->m_x, static_cast<int>(i));
    }
    for (size_t i = 0; i < repeats.size(); ++i) {
      CTestPoint* p = nullptr;
      ar >> p;
      ASSERT_EQ(p, loaded[static_cast<size_t>(repeats[i]->m_x)].get()) << "repeat " << i << " of object " << repeats[i]->m_x;
    }
    EXPECT_EQ(ar.GetBytesLeft(), 0u);
  });
}

TEST_F(ArchiveTest, VersionableClassReadsOtherSchemas) {
  Bytes bytes;
  AppendNewClass(bytes, 1, "CTestVersioned");
  AppendDword(bytes, 42);  // schema 1 has no y
  AppendWord(bytes, 0x8001);
  AppendDword(bytes, 43);
  LoadBytes(bytes, [](CArchive& ar) {
    CTestVersioned *a = nullptr, *b = nullptr;
    ar >> a >> b;
    std::unique_ptr<CObject> ownA(a), ownB(b);
    EXPECT_EQ(a->m_loadedSchema, 1u);
    EXPECT_EQ(a->m_x, 42);
    EXPECT_EQ(b->m_loadedSchema, 1u) << "a class reference carries the schema of its class record";
    EXPECT_EQ(b->m_x, 43);
  });
  // A schema written is the class's own, without the versionable flag.
  CTestVersioned v;
  const Bytes stored = StoreBytes([&](CArchive& ar) { ar << &v; });
  EXPECT_EQ(stored[2], 3);
  EXPECT_EQ(stored[3], 0);
}

// Bad input: each case must raise the archive exception with the cause and free
// whatever it had created.
TEST_F(ArchiveTest, BadInputRaisesArchiveExceptionWithoutLeaks) {
  struct Case {
    const char* label;
    Bytes bytes;
    int cause;
  };
  std::vector<Case> cases;
  {
    Bytes b;
    AppendNewClass(b, 1, "CNoSuchClass");
    cases.push_back({"unknown class", b, CArchiveException::badClass});
  }
  {
    Bytes b;
    AppendNewClass(b, 0, "CFile");  // known, but not storable
    cases.push_back({"class without a serial record", b, CArchiveException::badClass});
  }
  {
    Bytes b;
    AppendWord(b, 0x8005);
    cases.push_back({"class index never seen", b, CArchiveException::badIndex});
  }
  {
    Bytes b;
    AppendWord(b, 9);
    cases.push_back({"object index never seen", b, CArchiveException::badIndex});
  }
  {
    Bytes b;
    AppendWord(b, 0x7FFF);
    AppendDword(b, 0x80001234u);
    cases.push_back({"long class index never seen", b, CArchiveException::badIndex});
  }
  {
    Bytes b;  // node (class 1, object 2) whose child list refers to index 1 as an object
    AppendNewClass(b, 1, "CTestNode");
    AppendDword(b, 7);
    AppendWord(b, 1);
    AppendWord(b, 1);
    cases.push_back({"object reference to a class", b, CArchiveException::badIndex});
  }
  {
    Bytes b;  // node whose child refers to the node's object index as a class
    AppendNewClass(b, 1, "CTestNode");
    AppendDword(b, 7);
    AppendWord(b, 1);
    AppendWord(b, 0x8002);
    cases.push_back({"class reference to an object", b, CArchiveException::badIndex});
  }
  {
    Bytes b;
    AppendNewClass(b, 2, "CTestPoint");
    AppendBytes(b, PointRecordBody(1, 1.0));
    cases.push_back({"schema mismatch of a fixed-schema class", b, CArchiveException::badSchema});
  }
  {
    Bytes b;
    AppendNewClass(b, 1, "CTestNode");
    AppendDword(b, 7);
    AppendWord(b, 0xFFFF);
    AppendDword(b, 0xFFFFFFF0u);
    AppendWord(b, 0);
    cases.push_back({"huge list count, few bytes", b, CArchiveException::endOfFile});
  }
  {
    Bytes b;
    AppendWord(b, 0xFFFF);
    AppendWord(b, 1);
    AppendWord(b, 60000);
    AppendText(b, "CTestPoint");
    cases.push_back({"class name longer than the archive", b, CArchiveException::badClass});
  }
  {
    Bytes b;  // node, children: 3 points, then an unknown class
    AppendNewClass(b, 1, "CTestNode");
    AppendDword(b, 7);
    AppendWord(b, 4);
    AppendNewClass(b, 1, "CTestPoint");
    AppendBytes(b, PointRecordBody(1, 1.0));
    AppendWord(b, 0x8003);
    AppendBytes(b, PointRecordBody(2, 2.0));
    AppendWord(b, 4);  // the first point again: appended twice, must be deleted once
    AppendNewClass(b, 1, "CNoSuchClass");
    cases.push_back({"failure after some children", b, CArchiveException::badClass});
  }
  {
    // Nested nodes, each the only child of the one before, far deeper than the limit.
    Bytes b;
    AppendNewClass(b, 1, "CTestNode");
    AppendDword(b, 0);
    AppendWord(b, 1);
    for (int i = 0; i < 100000; ++i) {
      AppendWord(b, 0x8001);
      AppendDword(b, 0);
      AppendWord(b, 1);
    }
    cases.push_back({"deep nesting", b, CArchiveException::genericException});
  }

  for (const Case& c : cases) {
    CTestCounted::s_live = 0;
    int cause = -1;
    try {
      LoadBytes(c.bytes, [](CArchive& ar) {
        CObject* pOb = nullptr;
        ar >> pOb;
        delete pOb;
      });
    } catch (const CArchiveException& e) {
      cause = e.m_cause;
    }
    EXPECT_EQ(cause, c.cause) << c.label;
    EXPECT_EQ(CTestCounted::s_live, 0) << c.label << ": objects leaked";
  }
}

TEST_F(ArchiveTest, EveryTruncationOfANestedRecordFailsCleanly) {
  CTestNode root(1);
  auto* child = new CTestNode(2);
  root.m_children.AddTail(child);
  child->m_children.AddTail(new CTestPoint(3, 3.5));
  child->m_children.AddTail(nullptr);
  root.m_children.AddTail(new CTestPoint(4, 4.5));
  root.m_children.AddTail(child);  // shared: a back-reference
  const int liveBefore = CTestCounted::s_live;
  const Bytes full = StoreBytes([&](CArchive& ar) { ar << &root; });
  root.m_children.RemoveTail();  // the shared entry is not a second owner

  for (size_t n = 0; n < full.size(); ++n) {
    const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    int cause = -1;
    try {
      LoadBytes(cut, [](CArchive& ar) {
        CObject* pOb = nullptr;
        ar >> pOb;
        delete pOb;
      });
    } catch (const CArchiveException& e) {
      cause = e.m_cause;
    }
    EXPECT_EQ(cause, CArchiveException::endOfFile) << "cut at " << n;
    EXPECT_EQ(CTestCounted::s_live, liveBefore) << "cut at " << n << ": objects leaked";
  }
  CTestNode* back = nullptr;
  LoadBytes(full, [&](CArchive& ar) { ar >> back; });
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->m_children.GetCount(), 3);
  EXPECT_EQ(back->m_children.GetHead(), back->m_children.GetTail());
  back->m_children.RemoveTail();
  delete back;
}

TEST_F(ArchiveTest, NestingWithinTheLimitLoads) {
  constexpr int kDepth = CArchive::nMaxLoadDepth - 1;
  Bytes b;
  AppendNewClass(b, 1, "CTestNode");
  AppendDword(b, 0);
  AppendWord(b, 1);
  for (int i = 1; i < kDepth; ++i) {
    AppendWord(b, 0x8001);
    AppendDword(b, static_cast<unsigned>(i));
    AppendWord(b, i + 1 < kDepth ? 1 : 0);
  }
  CTestNode* root = nullptr;
  LoadBytes(b, [&](CArchive& ar) { ar >> root; });
  int depth = 0;
  for (CTestNode* n = root; n != nullptr; n = n->m_children.IsEmpty() ? nullptr : static_cast<CTestNode*>(n->m_children.GetHead()))
    ++depth;
  EXPECT_EQ(depth, kDepth);
  delete root;
}

TEST_F(ArchiveTest, RequestedClassIsChecked) {
  CTestPoint p(1, 1.0);
  const Bytes bytes = StoreBytes([&](CArchive& ar) { ar << &p; });
  int cause = -1;
  try {
    LoadBytes(bytes, [](CArchive& ar) {
      CTestNode* node = nullptr;
      ar >> node;
      delete node;
    });
  } catch (const CArchiveException& e) {
    cause = e.m_cause;
  }
  EXPECT_EQ(cause, CArchiveException::badClass);
}

TEST_F(ArchiveTest, WrongDirectionIsAnError) {
  CMemFile file;
  int cause = -1;
  try {
    CArchive ar(&file, CArchive::store);
    int v;
    ar >> v;
  } catch (const CArchiveException& e) {
    cause = e.m_cause;
  }
  EXPECT_EQ(cause, CArchiveException::writeOnly);
  cause = -1;
  try {
    LoadBytes({}, [](CArchive& ar) { ar << 1; });
  } catch (const CArchiveException& e) {
    cause = e.m_cause;
  }
  EXPECT_EQ(cause, CArchiveException::readOnly);
}

TEST_F(ArchiveTest, FullFixedBufferFailsOnFlush) {
  BYTE buffer[8];
  CMemFile file(buffer, sizeof(buffer));  // a caller's block without growth
  file.SetLength(0);
  CArchive ar(&file, CArchive::store);
  ar << 1.0 << 2.0;
  EXPECT_THROW(ar.Close(), CArchiveException);
}

TEST_F(ArchiveTest, MemoryFilesAreWrittenInPlace) {
  // A caller's block that holds everything, one that overflows part-way (what came
  // before stays, the overflowing write fails), and a growing file written to by
  // its owner between two flushes of the archive.
  Bytes want;
  AppendDword(want, 7);
  AppendDouble(want, 2.5);
  {
    Bytes block(want.size() + 4);
    CMemFile file(block.data(), static_cast<UINT>(block.size()), 0);
    file.SetLength(0);
    CArchive ar(&file, CArchive::store, 128);
    ar << 7 << 2.5;
    ar.Close();
    EXPECT_EQ(file.GetLength(), want.size()) << "block large enough";
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 12), want) << "block large enough";
  }
  {
    Bytes block(200);
    CMemFile file(block.data(), static_cast<UINT>(block.size()), 0);
    file.SetLength(0);
    CArchive ar(&file, CArchive::store, 128);
    ar << 7 << 2.5;
    const Bytes big(300, 0xAB);
    EXPECT_THROW(ar.Write(big.data(), static_cast<UINT>(big.size())), CArchiveException) << "block overflows";
    EXPECT_EQ(file.GetLength(), want.size()) << "block overflows";
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 12), want) << "block overflows";
    ar.Abort();
  }
  {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar << 7;
    ar.Flush();
    const double d = 2.5;
    EXPECT_TRUE(file.Write(&d, sizeof d));
    ar << 9;
    ar.Close();
    Bytes mixed = want;
    AppendDword(mixed, 9);
    EXPECT_EQ(Bytes(file.GetData(), file.GetData() + file.GetLength()), mixed) << "owner writes between flushes";
  }
}

TEST_F(ArchiveTest, FlushWhileLoadingLeavesTheFileAtTheLogicalPosition) {
  const Bytes bytes = StoreBytes([](CArchive& ar) { ar << 1 << 2 << 3; });
  Bytes copy = bytes;
  CMemFile file(copy.data(), static_cast<UINT>(copy.size()));
  CArchive ar(&file, CArchive::load);
  int a = 0;
  ar >> a;
  ar.Flush();
  EXPECT_EQ(file.GetPosition(), 4u);
  int b = 0;
  EXPECT_EQ(file.Read(&b, 4), 4u);
  EXPECT_EQ(b, 2);
}

TEST_F(ArchiveTest, ClassesAreFoundByNameAcrossLibraries) {
  EXPECT_EQ(CRuntimeClass::FromName("CObList"), RUNTIME_CLASS(CObList)) << "registered in the core library";
  EXPECT_EQ(CRuntimeClass::FromName(L"CTestPoint"), RUNTIME_CLASS(CTestPoint));
  EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
  std::unique_ptr<CObject> made(CRuntimeClass::CreateObject("CTestNode"));
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CTestNode)));
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(CTestPoint)));
  EXPECT_EQ(CRuntimeClass::CreateObject("CFile"), nullptr) << "dynamic-only classes cannot be created";
  EXPECT_TRUE(RUNTIME_CLASS(CMemFile)->IsDerivedFrom(RUNTIME_CLASS(CFile)));
  EXPECT_FALSE(RUNTIME_CLASS(CFile)->IsSerializable());
}

}  // namespace

namespace {

// A list that names an object twice and names a member another object owns:
// [P1, N{P2}, P1, P2].
Bytes RepeatingListBytes() {
  auto* p2 = new CTestPoint(2, 2.0);
  CTestNode node(7);
  node.m_children.AddTail(p2);
  CTestPoint p1(1, 1.0);
  CObList list;
  list.AddTail(&p1);
  list.AddTail(&node);
  list.AddTail(&p1);
  list.AddTail(p2);
  return StoreBytes([&](CArchive& ar) { list.Serialize(ar); });
}

// A list is stored in place by its owner; a list as an object record of its own
// is refused before it reads objects that nobody would own.
TEST_F(ArchiveTest, ListAsAnObjectRecordIsRefused) {
  const Bytes bytes = StoreBytes([](CArchive& ar) {
    CObList list;
    CTestPoint point(1, 1.0);
    list.AddTail(&point);
    ar << &list;
  });
  int cause = CArchiveException::none;
  try {
    LoadBytes(bytes, [](CArchive& ar) {
      CArchive::CLoadHold hold(ar);
      (void)ar.ReadObject(nullptr);
    });
  } catch (const CArchiveException& e) {
    cause = e.m_cause;
  }
  EXPECT_EQ(cause, CArchiveException::badClass);
  // The fixture's teardown checks that no point was left alive.
}

TEST_F(ArchiveTest, LoadHoldDeletesEachCreatedObjectOnceWhenTheLoadFails) {
  Bytes bytes = RepeatingListBytes();
  bytes.pop_back();  // cut inside the last reference
  CObList list;
  EXPECT_THROW(LoadBytes(bytes,
                         [&](CArchive& ar) {
                           CArchive::CLoadHold hold(ar);
                           EXPECT_TRUE(ar.IsHoldingNewObjects());
                           list.Serialize(ar);
                         }),
               CArchiveException);
  EXPECT_TRUE(list.IsEmpty());
  // The fixture's teardown checks that P1, N and P2 are gone; the sanitizers
  // that none went twice.
}

TEST_F(ArchiveTest, ReleasedLoadHoldHandsTheObjectsToTheCaller) {
  const Bytes bytes = RepeatingListBytes();
  CObList list;
  LoadBytes(bytes, [&](CArchive& ar) {
    CArchive::CLoadHold hold(ar);
    list.Serialize(ar);
    hold.Release();
    EXPECT_FALSE(ar.IsHoldingNewObjects());
  });
  ASSERT_EQ(list.GetCount(), 4);
  EXPECT_EQ(CTestCounted::s_live, 3) << "P1, N and its child";
  EXPECT_EQ(list.GetHead(), list.GetAt(list.FindIndex(2))) << "the repeat is the same object";
  delete list.GetHead();
  delete list.GetAt(list.FindIndex(1));
}

TEST_F(ArchiveTest, NestedObjectsBelongToTheirReaderNotToTheHold) {
  // Inside a Serialize the archive holds nothing: the reading object owns it.
  CTestNode outer(1);
  outer.m_children.AddTail(new CTestNode(2));
  const Bytes bytes = StoreBytes([&](CArchive& ar) { ar << static_cast<const CObject*>(&outer); });
  LoadBytes(bytes, [&](CArchive& ar) {
    CArchive::CLoadHold hold(ar);
    CObject* ob = nullptr;
    ar >> ob;
    hold.Release();
    auto* node = dynamic_cast<CTestNode*>(ob);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->m_children.GetCount(), 1);
    delete ob;
  });
  EXPECT_EQ(CTestCounted::s_live, 2) << "only the stored tree";
}

}  // namespace
