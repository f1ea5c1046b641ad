// The table on a binary data file read where it stands: it reads what a
// read gives, edits reach the disk only at the close, and a file cut short
// under it or replaced by a rename leaves every row readable as it was.
// The mapping itself: tests/platform_mapped_file_test.cpp.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fake_file_system.h"
#include "platform/file_system.h"
#include "store/artikel_data.h"
#include "table_test_packets.h"

namespace {

using table_test::Art;

class MappedTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = ::testing::TempDir() + "vr_mapped_XXXXXX";
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ;
    file_ = dir_ + "/Base.dat";
    // Enough rows, with texts of every length, for the values to span many
    // pages of the file.
    std::vector<table_test::Article> rows;
    for (int i = 0; i < 3000; ++i) {
      rows.push_back(Art(1990 + i % 30, i % 12, "Title " + std::to_string(i), "Test", i, i + 2));
      rows.back().tekst =
          std::string(static_cast<size_t>(i % 700), static_cast<char>('a' + i % 26));
    }
    packet_ = table_test::MakePacket(rows);
    Write(file_, packet_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  static void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  static std::vector<uint8_t> Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  // Every row of the open table, its values as texts.
  static std::vector<std::string> Rows(store::TArtikelData& t) {
    std::vector<std::string> out;
    std::vector<store::Variant> values;
    for (int pos = 0; pos < t.RecordCount(); ++pos) {
      t.ReadRow(pos, &values);
      std::string row;
      for (const store::Variant& v : values) row += (v.IsNull() ? "-" : v.AsString()) + "|";
      out.push_back(row);
    }
    return out;
  }
  // The rows as a table opened on a read of `bytes` shows them.
  static std::vector<std::string> RowsOfRead(const std::vector<uint8_t>& bytes) {
    testing_fs::FakeFileSystem fake;
    fake.Put("Base.dat", bytes);
    store::TArtikelData t(fake);
    t.SetFileName("Base.dat");
    t.Open();
    return Rows(t);
  }

  platform::PosixFileSystem fs_;
  std::string dir_, file_;
  std::vector<uint8_t> packet_;
};

TEST_F(MappedTableTest, MappedOpenReadsWhatAReadReads) {
  std::unique_ptr<platform::MappedFile> mapping;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(fs_.MapFile(file_, &mapping, &bytes), platform::ReadOutcome::kRead);
  ASSERT_NE(mapping, nullptr);  // a binary file on this system is mapped, not read
  EXPECT_TRUE(bytes.empty());
  mapping.reset();

  store::TArtikelData t(fs_);
  t.SetFileName(file_);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 3000);
  EXPECT_EQ(Rows(t), RowsOfRead(packet_));
}

TEST_F(MappedTableTest, EditsStayInMemoryUntilTheClose) {
  store::TArtikelData t(fs_);
  t.SetFileName(file_);
  t.Open();
  t.Last();
  t.Edit();
  t.FieldByName("Tekst").SetAsString(std::string(20000, 'z'));  // more than a page
  t.Post();
  EXPECT_EQ(t.FieldByName("Tekst").AsString(), std::string(20000, 'z'));
  EXPECT_EQ(Read(file_), packet_);  // the mapping is private: nothing reached the file
  const std::vector<std::string> edited = Rows(t);
  t.Close();
  EXPECT_NE(Read(file_), packet_);
  EXPECT_EQ(RowsOfRead(Read(file_)), edited);
}

TEST_F(MappedTableTest, FileCutShortUnderTheTableKeepsItsRows) {
  for (const size_t cut : {size_t{0}, packet_.size() / 2}) {
    SCOPED_TRACE(cut);
    Write(file_, packet_);
    store::TArtikelData t(fs_);
    t.SetFileName(file_);
    t.Open();
    const std::vector<std::string> before = Rows(t);
    ASSERT_EQ(::truncate(file_.c_str(), static_cast<off_t>(cut)), 0);
    EXPECT_EQ(Rows(t), before);  // every value read again, none lost, no signal
    t.Close();
  }
}

TEST_F(MappedTableTest, FileReplacedByARenameKeepsTheOldBytes) {
  store::TArtikelData t(fs_);
  t.SetFileName(file_);
  t.Open();
  const std::vector<std::string> before = Rows(t);
  ASSERT_TRUE(
      fs_.WriteFileAtomic(file_, table_test::MakePacket({Art(2001, 1, "New", "Spil", 1, 2)})));
  EXPECT_EQ(Rows(t), before);
}

}  // namespace
