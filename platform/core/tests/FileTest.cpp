#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// Names carry the process id: several builds may run these tests at the same time.
CString TempPath(const char* name) {
  return CString::FromUtf8(::testing::TempDir() + std::to_string(::getpid()) + "_" + name);
}

TEST(CFileTest, ArchiveRoundTripThroughADiskFile) {
  const CString path = TempPath("korvel_core_file_test.bin");
  {
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive));
    CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete);
    ar << CString(L"图层") << 12345 << 2.5;
    ar.Close();
    file.Close();
  }
  CFileStatus status;
  ASSERT_TRUE(CFile::GetStatus(path, status));
  EXPECT_EQ(status.m_size, 8u + 4 + 8);
  {
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_EQ(file.GetLength(), 20u);
    EXPECT_EQ(file.GetFileName(), CString::FromUtf8(std::to_string(::getpid()) + "_korvel_core_file_test.bin"));
    CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
    CString s;
    int i = 0;
    double d = 0;
    ar >> s >> i >> d;
    EXPECT_EQ(s, L"图层");
    EXPECT_EQ(i, 12345);
    EXPECT_EQ(d, 2.5);
    EXPECT_THROW(ar >> i, CArchiveException);
  }
  EXPECT_TRUE(CFile::Remove(path));
}

TEST(CFileTest, FailuresAreReturnValues) {
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(TempPath("no/such/dir/file.bin"), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_FALSE(file.Open(CString::FromUtf8(::testing::TempDir()), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::accessDenied) << "a directory is not a file";
  char buf[4];
  EXPECT_EQ(file.Read(buf, 4), 0u);
  EXPECT_FALSE(file.Write(buf, 4));

  const CString path = TempPath("korvel_core_seek.bin");
  ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeReadWrite));
  EXPECT_TRUE(file.Write("abcdef", 6));
  EXPECT_EQ(file.Seek(-2, CFile::end), 4u);
  EXPECT_EQ(file.Read(buf, 4), 2u);
  EXPECT_EQ(std::string(buf, 2), "ef");
  EXPECT_EQ(file.Seek(-100, CFile::current), static_cast<ULONGLONG>(-1));
  EXPECT_EQ(file.GetPosition(), 6u);
  EXPECT_TRUE(file.SetLength(3));
  EXPECT_EQ(file.GetLength(), 3u);
  file.Close();
  EXPECT_TRUE(CFile::Remove(path));
}

TEST(CMemFileTest, GrowsAttachesAndDetaches) {
  CMemFile grow(16);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(grow.Write(&i, sizeof(i)));
  EXPECT_EQ(grow.GetLength(), 400u);
  grow.SeekToBegin();
  int v = -1;
  grow.Seek(99 * 4, CFile::begin);
  EXPECT_EQ(grow.Read(&v, 4), 4u);
  EXPECT_EQ(v, 99);
  EXPECT_EQ(grow.Seek(10, CFile::end), 410u);
  ASSERT_TRUE(grow.Write(&v, 4));
  EXPECT_EQ(grow.GetLength(), 414u);
  grow.Seek(400, CFile::begin);
  int gap = -1;
  grow.Read(&gap, 4);
  EXPECT_EQ(gap, 0) << "a gap left by seeking past the end reads as zeros";
  BYTE* block = grow.Detach();
  EXPECT_EQ(grow.GetLength(), 0u);
  std::free(block);

  BYTE fixed[4] = {1, 2, 3, 4};
  CMemFile view(fixed, sizeof(fixed));
  EXPECT_EQ(view.GetLength(), 4u) << "a block attached without growth is the whole file";
  EXPECT_FALSE(view.Write(fixed, 8));
  BYTE out[4];
  EXPECT_EQ(view.Read(out, 8), 4u);
  EXPECT_EQ(std::memcmp(out, fixed, 4), 0);
  EXPECT_EQ(view.Detach(), fixed);

  BYTE start[2];
  CMemFile growing(start, sizeof(start), 64);
  EXPECT_EQ(growing.GetLength(), 0u);
  ASSERT_TRUE(growing.Write("hello", 5));  // outgrows the caller's block
  EXPECT_EQ(growing.GetLength(), 5u);
  EXPECT_EQ(std::memcmp(growing.GetData(), "hello", 5), 0);
}

}  // namespace
