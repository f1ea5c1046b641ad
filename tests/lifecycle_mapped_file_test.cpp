// The table on a binary data file read where it stands: it reads what a
// read gives, edits reach the disk only at the close, and a file cut short
// under it or replaced by a rename leaves every row readable as it was, and
// a large file the engine refuses once it has read its rows fails the open
// as a read one does.
// The mapping itself: tests/platform_mapped_file_test.cpp.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/packet_codec.h"
#include "fake_file_system.h"
#include "mapped_packet_dir.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "store/artikel_data.h"
#include "store/db_error.h"
#include "table_test_packets.h"

namespace {

using table_test::Art;

class MappedTableTest : public mapped_test::MappedPacketDirTest {
 protected:
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

TEST_F(MappedTableTest, LargeFileRefusedAfterItsRowsFailsAsARead) {
  // Large enough to be hashed on a thread beside the load, and refused only
  // once its rows are read (an insert of a row not marked so): the bytes the hash
  // reads must stay mapped until it ends, and the open fails cleanly.
  engine::TableData t;
  t.fields = table_test::ArticleFields();
  for (int i = 0; i < 300; ++i) {
    table_test::Article a = Art(2001, 1, "Title " + std::to_string(i), "Test", 1, 2);
    a.tekst = std::string(60000, static_cast<char>('a' + i % 26));
    table_test::AddRow(&t, a);
  }
  t.change_log = {1, 0, 4};
  std::string out, error;
  ASSERT_EQ(engine::WritePacket(t, engine::PacketForm::kBinary, &out, &error), engine::kDBOk)
      << error;
  const std::vector<uint8_t> bytes(out.begin(), out.end());
  ASSERT_GE(bytes.size(), platform::kHashAsideBytes);
  Write(file_, bytes);
  store::TArtikelData table(fs_);
  table.SetFileName(file_);
  try {
    table.Open();
    ADD_FAILURE() << "the table opened";
  } catch (const store::EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("not marked inserted"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(table.Active());
  table.Close();
  EXPECT_EQ(Read(file_), bytes);
}

}  // namespace
