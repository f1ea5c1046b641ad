// Test data for the article table: packets with the eight article fields in
// the layout of the initial packet, built from simple row descriptions, the
// page-count hook as the window installs it, and small helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/coding.h"
#include "engine/packet_codec.h"
#include "engine/table_data.h"
#include "packet_samples.h"
#include "store/artikel_data.h"
#include "store/db_error.h"
#include "store/page_count.h"

namespace table_test {

struct Article {
  std::optional<int32_t> aargang, nummer;
  std::optional<std::string> titel, tekst, kategori;
  std::optional<int32_t> start, slut;
  std::optional<std::string> vprogrammer;
};

using packet_samples::SubtypeText;
using packet_samples::WidthParam;

inline engine::FieldDef IntField(const char* name) {
  return engine::FieldDef{name, 4, engine::kBaseInt, 0x10, {}};
}
inline engine::FieldDef StringField(const char* name, uint16_t width) {
  return engine::FieldDef{name, 1, 0x0049, 0x10, {WidthParam(width)}};
}
inline engine::FieldDef MemoField(const char* name) {
  return engine::FieldDef{name, 4, 0x004B, 0x10, {SubtypeText()}};
}

// The eight article fields in packet order.
inline std::vector<engine::FieldDef> ArticleFields() {
  return {IntField("Aargang"),  IntField("Nummer"),          StringField("Titel", 80),
          MemoField("Tekst"),   StringField("Kategori", 20), IntField("StartSide"),
          IntField("SlutSide"), MemoField("VProgrammer")};
}

inline void AddRow(engine::TableData* t, const Article& a) {
  t->status.push_back(0);
  auto put_int = [&](const std::optional<int32_t>& v) {
    engine::Cell c;
    if (v) {
      c.blank = engine::kValue;
      c.data = static_cast<uint64_t>(static_cast<int64_t>(*v));
    }
    t->cells.push_back(c);
  };
  auto put_str = [&](const std::optional<std::string>& v) {
    t->cells.push_back(v ? t->AddBytes(*v) : engine::Cell());
  };
  put_int(a.aargang);
  put_int(a.nummer);
  put_str(a.titel);
  put_str(a.tekst);
  put_str(a.kategori);
  put_int(a.start);
  put_int(a.slut);
  put_str(a.vprogrammer);
}

// A binary packet of `rows` with the article fields (or `fields`), plus table
// parameters.
inline std::vector<uint8_t> MakePacket(const std::vector<Article>& rows,
                                       std::vector<engine::Param> params = {},
                                       std::vector<engine::FieldDef> fields = ArticleFields(),
                                       engine::PacketForm form = engine::PacketForm::kBinary) {
  engine::TableData t;
  t.fields = std::move(fields);
  t.params = std::move(params);
  for (const Article& a : rows) AddRow(&t, a);
  std::string out, error;
  engine::DBResult r = engine::WritePacket(t, form, &out, &error);
  EXPECT_EQ(r, engine::kDBOk) << error;
  return std::vector<uint8_t>(out.begin(), out.end());
}

inline engine::Param BoolParam(const char* name, bool value) {
  engine::Param p{name, 2, engine::kBaseBool, ""};
  p.raw = std::string(value ? "\x01\x00" : "\x00\x00", 2);
  return p;
}

// The window's page-count hook (store/page_count.h).
inline void PageCountHook(store::TArtikelData& d) { store::CalcPageCount(d); }

// A calculation that raises on a record without pages (variant arithmetic on
// an empty page): how the table meets a failing hook.
inline void SubtractingHook(store::TArtikelData& d) {
  store::Variant kategori = d.FieldByName("KATEGORI").AsVariant();
  if (kategori.IsString() && kategori.AsString() == "V-CD") return;
  d.FieldByName("SIDEANTAL")
      .SetValue(d.FieldByName("SLUTSIDE").Value() - d.FieldByName("STARTSIDE").Value() +
                store::Variant(1));
}

inline Article Art(int32_t year, int32_t issue, std::string title, std::string cat,
                   std::optional<int32_t> start, std::optional<int32_t> slut) {
  Article a;
  a.aargang = year;
  a.nummer = issue;
  a.titel = std::move(title);
  a.kategori = std::move(cat);
  a.start = start;
  a.slut = slut;
  a.tekst = "Text of " + *a.titel;
  return a;
}

// Runs `f`, expecting an exception of type E with exactly `message`.
template <typename E, typename F>
void ExpectError(F&& f, const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "expected error: " << message;
  } catch (const E& e) {
    EXPECT_EQ(std::string(e.what()), message);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "wrong exception type, message: " << e.what();
  }
}

}  // namespace table_test
