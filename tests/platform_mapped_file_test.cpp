// A data file read where it stands: a mapped packet decodes to what a read
// gives, a file cut short or written over in place under the mapping leaves
// it with the bytes it mapped (no signal, no zeros), a file replaced by a rename keeps the old
// bytes readable, and the heap grows in the room after the file, then
// copies itself out at the same offsets when the room runs out, never
// writing the file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/packet_codec.h"
#include "engine/table_data.h"
#include "mapped_packet_dir.h"
#include "platform/file_system.h"
#include "platform/mapped_file.h"
#include "table_test_packets.h"

namespace {

using table_test::Art;

class MappedFileTest : public mapped_test::MappedPacketDirTest {
 protected:
  std::unique_ptr<platform::MappedFile> Map() {
    std::unique_ptr<platform::MappedFile> mapping;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(fs_.MapFile(file_, &mapping, &bytes), platform::ReadOutcome::kRead);
    EXPECT_NE(mapping, nullptr);  // a file on this system is mapped, not read
    EXPECT_TRUE(bytes.empty());
    return mapping;
  }
  // Every value of every row as text.
  static std::vector<std::string> Values(const engine::TableData& t) {
    std::vector<std::string> out;
    for (size_t i = 0; i < t.cells.size(); ++i) {
      const engine::Cell& c = t.cells[i];
      const bool varying = t.fields[i % t.field_count()].varying();
      out.push_back(std::to_string(c.blank) + ":" +
                    (c.blank != engine::kValue ? std::string()
                     : varying                 ? std::string(t.bytes(c))
                                               : std::to_string(c.data)));
    }
    return out;
  }
};

TEST_F(MappedFileTest, MappedPacketDecodesAsARead) {
  std::unique_ptr<platform::MappedFile> mapping = Map();
  ASSERT_NE(mapping, nullptr);
  engine::TableData mapped, read;
  std::string error;
  ASSERT_EQ(engine::ReadMappedPacket(&mapping, &mapped, &error), engine::kDBOk) << error;
  EXPECT_EQ(mapping, nullptr);  // the heap took it
  ASSERT_EQ(engine::ReadPacket(packet_, &read, &error), engine::kDBOk) << error;
  EXPECT_EQ(mapped.row_count(), 3000u);
  EXPECT_EQ(Values(mapped), Values(read));
}

TEST_F(MappedFileTest, FileWrittenUnderTheMappingKeepsWhatWasRead) {
  const struct {
    const char* what;
    std::function<void(const std::string&)> act;
  } cases[] = {
      {"cut short to nothing",
       [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 0), 0); }},
      {"cut short by half",
       [&](const std::string& p) {
         ASSERT_EQ(::truncate(p.c_str(), static_cast<off_t>(packet_.size() / 2)), 0);
       }},
      {"written over in place",
       [](const std::string& p) { Write(p, std::vector<uint8_t>(9000, 'w')); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(file_, packet_);
    std::unique_ptr<platform::MappedFile> mapping = Map();
    ASSERT_NE(mapping, nullptr);
    c.act(file_);  // waits for the mapping to copy what it holds
    EXPECT_NE(Read(file_), packet_);
    EXPECT_EQ(std::vector<uint8_t>(mapping->data(), mapping->data() + mapping->size()), packet_);
    EXPECT_FALSE(mapping->FileChangedUnder());  // no page had to become zeros
  }
}

TEST_F(MappedFileTest, FileReplacedByARenameKeepsTheOldBytes) {
  std::unique_ptr<platform::MappedFile> mapping = Map();
  ASSERT_NE(mapping, nullptr);
  ASSERT_TRUE(fs_.WriteFileAtomic(file_, std::vector<uint8_t>(100, 'n')));
  EXPECT_EQ(std::vector<uint8_t>(mapping->data(), mapping->data() + mapping->size()), packet_);
  EXPECT_FALSE(mapping->FileChangedUnder());
}

TEST_F(MappedFileTest, HeapGrowsInTheRoomThenCopiesAtTheSameOffsets) {
  std::unique_ptr<platform::MappedFile> mapping;
  ASSERT_EQ(platform::MapRegularFile(file_, &mapping, 4096).outcome, platform::ReadOutcome::kRead);
  ASSERT_NE(mapping, nullptr);
  const uint8_t* where = mapping->data();
  const size_t room = mapping->capacity() - packet_.size();
  ASSERT_GE(room, 4096u);
  engine::ByteHeap heap;
  heap.Adopt(std::move(mapping));
  heap.append(std::string(room, 'x'));  // fills the room exactly
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(heap.data()), where);
  heap.append("y");  // one byte more: copied out
  EXPECT_NE(reinterpret_cast<const uint8_t*>(heap.data()), where);
  const std::string_view all = heap;
  ASSERT_EQ(all.size(), packet_.size() + room + 1);
  EXPECT_EQ(all.substr(0, packet_.size()),
            std::string_view(reinterpret_cast<const char*>(packet_.data()), packet_.size()));
  EXPECT_EQ(all.substr(packet_.size()), std::string(room, 'x') + "y");
  EXPECT_EQ(Read(file_), packet_);  // private: nothing went to the file
}

}  // namespace
