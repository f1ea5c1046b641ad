// The store's message patterns fill their placeholders in order, with the
// arguments as they stand, into the texts the reader sees.
#include <gtest/gtest.h>

#include <string>

#include "store/message_format.h"
#include "store/store_messages.h"

namespace {

TEST(TableMessagesTest, PatternsFillTheirPlaceholdersInOrder) {
  namespace m = store::messages;
  struct Case {
    std::string got;
    const char* want;
  } cases[] = {
      {store::Format(m::kFieldNotFound, "Titel"), "Field 'Titel' not found"},
      {store::Format(m::kFieldNotFound, "50%s"), "Field '50%s' not found"},
      {store::Format(m::kFieldNotFound), "Field '' not found"},
      {store::Format(m::kTableMessage, "T", store::Format(m::kIndexNotFound, "X")),
       "T: Index 'X' not found"},
      {store::Format(m::kFieldTypeMismatch, "Titel", "String", "Memo"),
       "Type mismatch for field 'Titel', expecting: String actual: Memo"},
      {store::Format(m::kFieldValueOutOfRange, "40000", "Sideantal", "-32768", "32767"),
       "40000 is not a valid value for field 'Sideantal'. The allowed range is -32768 to 32767"},
      {store::Format(m::kConflictNotSaved, "a.xml", m::kFileRemoved, "b.xml", ""),
       "a.xml was removed since the table was opened and was not overwritten; this data could "
       "not be written to b.xml"},
      {store::Format(m::kClosedDataset), "Cannot perform this operation on a closed dataset"},
      {store::Format("100% %s", "a", "b"), "100% a"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

}  // namespace
