// The article schema is the table's: the field objects TArtikelData makes and
// the filter host the tools compile with agree with kArticleFields row by
// row, and both refuse an unknown name with the same message.
#include <gtest/gtest.h>

#include <string>

#include "fake_file_system.h"
#include "store/article_filter_host.h"
#include "store/article_schema.h"
#include "store/artikel_data.h"
#include "store/db_error.h"
#include "table_test_packets.h"

namespace {

using table_test::ExpectError;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

TEST(TableSchemaTest, TableAndFilterHostFollowTheSchema) {
  testing_fs::FakeFileSystem fs;
  store::TArtikelData table(fs);
  const store::ArticleFilterHost host;
  ASSERT_EQ(table.FieldCount(), static_cast<int>(std::size(store::kArticleFields)));
  for (int i = 0; i < table.FieldCount(); ++i) {
    const store::ArticleFieldSpec& spec = store::kArticleFields[i];
    SCOPED_TRACE(spec.name);
    const store::TableField& field = *table.Fields()[i];
    EXPECT_EQ(field.FieldName(), spec.name);
    EXPECT_EQ(field.DataType(), spec.type);
    EXPECT_EQ(field.Kind(), spec.kind);
    EXPECT_EQ(field.Size(), spec.size);
    EXPECT_EQ(field.FieldNo(), spec.number);
    EXPECT_EQ(field.Kind() == store::FieldKind::kData, i < store::kArticleDataFieldCount);
    // A closed table numbers its fields as the packets it is made for do.
    for (const std::string& name : {std::string(spec.name), Lower(spec.name)}) {
      const store::FilterFieldInfo from_table = table.FieldByNameForFilter(name);
      const store::FilterFieldInfo from_host = host.FieldByNameForFilter(name);
      EXPECT_EQ(from_host.name, from_table.name);
      EXPECT_EQ(from_host.number, from_table.number);
      EXPECT_EQ(from_host.type, from_table.type);
      EXPECT_EQ(from_host.size, from_table.size);
      EXPECT_EQ(from_host.kind, from_table.kind);
    }
  }
  for (const char* name : {"Pris", "", "Sideantal2", "Aargan"}) {
    const std::string message = std::string("ArtikelData: Field '") + name + "' not found";
    ExpectError<store::EDatabaseError>([&] { table.FieldByNameForFilter(name); }, message);
    ExpectError<store::EDatabaseError>([&] { host.FieldByNameForFilter(name); }, message);
  }
}

TEST(TableSchemaTest, PacketFieldsKeepTheCalculatedOnes) {
  const store::ArticleFilterHost host({{"Felt", 3, store::TFieldType::ftInteger, 0}});
  EXPECT_EQ(host.FieldByNameForFilter("FELT").number, 3);
  EXPECT_EQ(host.FieldByNameForFilter("sideantal").kind, store::FieldKind::kCalculated);
  ExpectError<store::EDatabaseError>([&] { host.FieldByNameForFilter("Titel"); },
                                     "ArtikelData: Field 'Titel' not found");
}

}  // namespace
