// Variant conversions and arithmetic, and the whole-number reader the fields
// share, checked against tables of cases.
#include <gtest/gtest.h>

#include <limits>

#include "store/db_error.h"
#include "store/variant.h"
#include "table_test_packets.h"

namespace {

using store::EVariantError;
using store::Variant;
using table_test::ExpectError;

TEST(TableVariantTest, WholeNumbers) {
  struct Case {
    const char* text;
    bool ok;
    int64_t value;
  } cases[] = {
      {"0", true, 0},
      {"12", true, 12},
      {"-7", true, -7},
      {"+7", true, 7},
      {"  42", true, 42},
      {"42 ", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"-", false, 0},
      {"1.0", false, 0},
      {"12a", false, 0},
      {"$10", false, 0},
      {"9223372036854775807", true, std::numeric_limits<int64_t>::max()},
      {"-9223372036854775808", true, std::numeric_limits<int64_t>::min()},
      {"9223372036854775808", false, 0},
      {"99999999999999999999", false, 0},
  };
  for (const Case& c : cases) {
    int64_t v = -1;
    EXPECT_EQ(store::ParseWholeNumber(c.text, &v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(TableVariantTest, Conversions) {
  EXPECT_EQ(Variant(12).AsString(), "12");
  EXPECT_EQ(Variant("34").AsInteger(), 34);
  EXPECT_EQ(Variant("abc").AsString(), "abc");
  ExpectError<EVariantError>([] { Variant().AsString(); },
                             "Could not convert variant of type (Null) into type (String)");
  ExpectError<EVariantError>([] { Variant().AsInteger(); },
                             "Could not convert variant of type (Null) into type (Integer)");
  ExpectError<EVariantError>([] { Variant("x1").AsInteger(); },
                             "Could not convert variant of type (String) into type (Integer)");
  ExpectError<EVariantError>([] { Variant("").AsInteger(); },
                             "Could not convert variant of type (String) into type (Integer)");
  ExpectError<EVariantError>([] { Variant::FromInt64(int64_t{1} << 40).AsInteger(); },
                             "Could not convert variant of type (Int64) into type (Integer)");
}

TEST(TableVariantTest, Arithmetic) {
  EXPECT_EQ(Variant(15) - Variant(12) + Variant(1), Variant(4));
  EXPECT_EQ(Variant(10) - Variant(12) + Variant(1), Variant(-1));
  EXPECT_EQ(Variant("5") - Variant(2), Variant(3));
  EXPECT_EQ(Variant("a") + Variant("b"), Variant("ab"));
  // Leaving the 32-bit range widens instead of wrapping.
  Variant big = Variant(std::numeric_limits<int32_t>::max()) + Variant(1);
  EXPECT_EQ(big.type(), Variant::Type::kInt64);
  EXPECT_EQ(big.AsInt64(), int64_t{1} << 31);
  for (auto op : {0, 1}) {
    auto apply = [op](const Variant& a, const Variant& b) { return op ? a + b : a - b; };
    ExpectError<EVariantError>([&] { apply(Variant(), Variant(1)); }, "Invalid variant operation");
    ExpectError<EVariantError>([&] { apply(Variant(1), Variant()); }, "Invalid variant operation");
    ExpectError<EVariantError>([&] { apply(Variant(), Variant()); }, "Invalid variant operation");
  }
}

TEST(TableVariantTest, Equality) {
  EXPECT_EQ(Variant(), Variant::Null());
  EXPECT_FALSE(Variant() == Variant(0));
  EXPECT_FALSE(Variant("1") == Variant(1));
  EXPECT_EQ(Variant::FromInt64(5), Variant(5));
}

}  // namespace
