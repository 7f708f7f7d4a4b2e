// The archive's bytes for the throughput bench's objects, kept against a golden
// file written before the archive's buffering and object maps were reworked:
// faster writing and reading must leave the stored format byte for byte as it was.
#include "platform/core/tests/ArchiveBenchItems.h"

#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kGoldenObjects = 1000;
const std::string kGoldenPath = std::string(KORVEL_CORE_TEST_DATA) + "bench_objects_1000.bin";

std::vector<BYTE> ReadGolden() {
  std::ifstream in(kGoldenPath, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The list stored through a memory file by an archive with the given buffer size.
std::vector<BYTE> StoreList(CObList& list, int nBufSize) {
  CMemFile file(1024);
  CArchive ar(&file, CArchive::store, nBufSize);
  list.Serialize(ar);
  ar.Close();
  return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
}

// Index of the first byte where the two differ (the shorter length when one is a prefix).
size_t FirstDifference(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return i;
}

class ArchiveGoldenTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_golden = ReadGolden();
    ASSERT_FALSE(m_golden.empty()) << "cannot read " << kGoldenPath;
    FillBenchList(m_list, kGoldenObjects);
  }
  void TearDown() override { DeleteBenchList(m_list); }

  std::vector<BYTE> m_golden;
  CObList m_list;
};

TEST_F(ArchiveGoldenTest, StoringGivesTheGoldenBytesWhateverTheBufferSize) {
  // Buffers smaller than a record, odd sizes that split primitives, the default and
  // one larger than the whole archive.
  for (const int nBufSize : {0, 128, 131, 4096, 65536, 1 << 22}) {
    const std::vector<BYTE> got = StoreList(m_list, nBufSize);
    EXPECT_EQ(got.size(), m_golden.size()) << "buffer " << nBufSize;
    EXPECT_EQ(FirstDifference(got, m_golden), m_golden.size()) << "buffer " << nBufSize;
  }
}

TEST_F(ArchiveGoldenTest, StoringToADiskFileGivesTheGoldenBytes) {
  const CString path =
      CString::FromUtf8(::testing::TempDir() + std::to_string(::getpid()) + "_korvel_archive_golden.bin");
  {
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite));
    CArchive ar(&file, CArchive::store);
    m_list.Serialize(ar);
    ar.Close();
  }
  std::ifstream in(path.ToUtf8(), std::ios::binary);
  const std::vector<BYTE> got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CFile::Remove(path);
  EXPECT_EQ(got.size(), m_golden.size());
  EXPECT_EQ(FirstDifference(got, m_golden), m_golden.size());
}

TEST_F(ArchiveGoldenTest, LoadingTheGoldenBytesGivesTheBenchObjects) {
  for (const int nBufSize : {128, 131, 4096, 1 << 22}) {
    CMemFile file(m_golden.data(), static_cast<UINT>(m_golden.size()));
    CObList loaded;
    {
      CArchive ar(&file, CArchive::load, nBufSize);
      loaded.Serialize(ar);
      EXPECT_EQ(ar.GetBytesLeft(), 0u) << "buffer " << nBufSize;
    }
    ASSERT_EQ(loaded.GetCount(), m_list.GetCount()) << "buffer " << nBufSize;
    POSITION want = m_list.GetHeadPosition();
    POSITION got = loaded.GetHeadPosition();
    for (int i = 0; i < kGoldenObjects; ++i) {
      const auto* a = dynamic_cast<CBenchItem*>(m_list.GetNext(want));
      const auto* b = dynamic_cast<CBenchItem*>(loaded.GetNext(got));
      ASSERT_NE(b, nullptr) << "object " << i << ", buffer " << nBufSize;
      EXPECT_TRUE(b->m_id == a->m_id && b->m_flags == a->m_flags && b->m_x == a->m_x && b->m_y == a->m_y)
          << "object " << i << ", buffer " << nBufSize;
    }
    DeleteBenchList(loaded);
  }
}

}  // namespace
