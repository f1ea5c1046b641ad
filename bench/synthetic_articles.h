// Synthetic article tables for the benchmarks: N records with the eight
// article fields, titles of about 40 characters and texts of about 600 bytes,
// drawn from a fixed seed so every run measures the same bytes.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "engine/table_data.h"
#include "tests/packet_samples.h"

namespace bench {

inline engine::TableData SyntheticArticles(size_t count, uint32_t seed = 20011) {
  using namespace engine;
  TableData t;
  packet_samples::AddArticleFields(&t);

  static const char* kWords[] = {
      "printer",  "netv\xE6rk", "grafik",          "spil",    "internet", "program",
      "harddisk", "sk\xE6rm",   "tastatur",        "modem",   "backup",   "virus",
      "musik",    "video",      "billeder",        "kursus",  "windows",  "linux",
      "database", "regneark",   "tekstbehandling", "scanner", "lyd",      "cd"};
  static const char* kCategories[] = {"Anmeldelse", "Artikel", "Galleriet",        "V-CD",
                                      "Test",       "Nyhed",   "Nyt p\xE5 nettet", "Skole",
                                      "Sp\xF8rg os"};
  std::mt19937 rng(seed);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  auto words = [&](size_t target) {
    std::string s;
    while (s.size() < target) {
      if (!s.empty()) s += (pick(12) == 0) ? "\r\n" : " ";
      s += kWords[pick(std::size(kWords))];
    }
    return s;
  };
  // Plain base rows without history: the binary header's 16-bit row offset
  // leaves no room for a change log of a million entries.
  t.status.assign(count, 0);
  t.cells.resize(count * t.fields.size());
  t.heap.reserve(count * 700);
  for (size_t r = 0; r < count; ++r) {
    auto num = [](int64_t v) {
      Cell c;
      c.data = static_cast<uint64_t>(v);
      c.blank = kValue;
      return c;
    };
    int start = 1 + static_cast<int>(pick(90));
    t.cell(r, 0) = num(2001 + static_cast<int>(pick(2)));
    t.cell(r, 1) = num(1 + static_cast<int>(pick(12)));
    std::string title = words(36);
    title.resize(std::min<size_t>(title.size(), 80));
    for (char& ch : title) {
      if (ch == '\r' || ch == '\n') ch = ' ';
    }
    t.cell(r, 2) = t.AddBytes(title);
    t.cell(r, 3) = t.AddBytes(words(600));
    t.cell(r, 4) = t.AddBytes(kCategories[pick(std::size(kCategories))]);
    t.cell(r, 5) = num(start);
    t.cell(r, 6) = num(start + static_cast<int>(pick(6)));
    t.cell(r, 7).blank = kNull;
  }
  return t;
}

}  // namespace bench
