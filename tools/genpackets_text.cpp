// Text helpers of the packet generator: the fixed-seed range cutting, the
// UTF-8 to Windows-1252 conversion and the slot filler that turns a pattern
// of a content bank into a title or a sentence.
//
// What must stay true: the same seed and the same patterns give the same
// bytes on every machine; no character outside Windows-1252 reaches a packet.
#include <stdexcept>

#include "tools/genpackets.h"

namespace genpackets {

uint32_t Rng::Below(uint32_t n) {
  // Rejection keeps every value equally likely and the sequence independent
  // of the standard library's distribution code.
  const uint64_t range = uint64_t{1} << 32;
  const uint64_t limit = range - range % n;
  for (;;) {
    const uint64_t x = engine_();
    if (x < limit) return static_cast<uint32_t>(x % n);
  }
}

namespace {

// Code points of the bytes 0x80 to 0x9F in Windows-1252; 0 where the code page
// leaves the byte undefined.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToByte(char32_t cp, const std::string& text) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == cp) return static_cast<char>(0x80 + i);
  }
  throw std::runtime_error("character U+" + std::to_string(static_cast<uint32_t>(cp)) +
                           " has no Windows-1252 byte, in: " + text);
}

}  // namespace

std::string Utf8To1252(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    char32_t cp = 0;
    size_t extra = 0;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      extra = 2;
    } else {
      throw std::runtime_error("malformed or unsupported UTF-8 in: " + utf8);
    }
    if (extra > 0 && i + extra >= utf8.size()) {
      throw std::runtime_error("truncated UTF-8 in: " + utf8);
    }
    for (size_t k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(utf8[i + k]);
      if ((c & 0xC0) != 0x80) throw std::runtime_error("malformed UTF-8 in: " + utf8);
      cp = (cp << 6) | (c & 0x3F);
    }
    out.push_back(ToByte(cp, utf8));
    i += extra + 1;
  }
  return out;
}

const std::vector<std::string>& SlotFiller::Pool(const std::string& name) const {
  auto own = content_.pools.find(name);
  if (own != content_.pools.end()) return own->second;
  const auto& common = CommonPools();
  auto shared = common.find(name);
  if (shared != common.end()) return shared->second;
  throw std::runtime_error(content_.language + " content names an unknown pool {" + name + "}");
}

std::string SlotFiller::Choose(const std::string& slot) {
  std::string name = slot;
  size_t part = 0;
  if (auto colon = slot.find(':'); colon != std::string::npos) {
    name = slot.substr(0, colon);
    part = static_cast<size_t>(std::stoi(slot.substr(colon + 1)));
  }
  if (name.empty()) throw std::runtime_error("empty slot in " + content_.language + " content");
  if (name == "year") return std::to_string(year_);
  if (name == "issue") return std::to_string(issue_);
  std::string entry;
  if (name[0] == '@') {
    // A series that runs through a whole year (a course): chosen by the year.
    const auto& pool = Pool(name.substr(1));
    entry = pool[static_cast<size_t>(year_) % pool.size()];
  } else if (name[0] == '#') {
    // A step of a series that advances with every issue (a course's lessons).
    const auto& pool = Pool(name.substr(1));
    entry = pool[static_cast<size_t>(year_ * 12 + issue_ - 1) % pool.size()];
  } else if (auto it = chosen_.find(name); it != chosen_.end()) {
    entry = it->second;
  } else if (name == "num") {
    entry = std::to_string(rng_->Between(3, 9));
  } else if (name == "price") {
    // Prices as a magazine prints them: software, games, books.
    entry = std::to_string(rng_->Between(2, 10) * 100 - 1);
  } else if (name == "bigprice") {
    // Hardware.
    entry = std::to_string(rng_->Between(10, 60) * 100 - 1);
  } else {
    const auto& pool = Pool(name);
    entry = pool[rng_->Below(static_cast<uint32_t>(pool.size()))];
  }
  chosen_[name] = entry;
  // Pick the '|'-separated part.
  size_t begin = 0;
  for (size_t k = 0; k < part; ++k) {
    begin = entry.find('|', begin);
    if (begin == std::string::npos) {
      throw std::runtime_error(content_.language + " pool entry '" + entry + "' has no part " +
                               std::to_string(part));
    }
    ++begin;
  }
  return entry.substr(begin, entry.find('|', begin) - begin);
}

std::string SlotFiller::Fill(const std::string& pattern) {
  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    if (pattern[i] != '{') {
      out.push_back(pattern[i++]);
      continue;
    }
    const size_t end = pattern.find('}', i);
    if (end == std::string::npos) throw std::runtime_error("unclosed slot in: " + pattern);
    // A filled slot may itself hold slots (a pool entry naming other pools).
    out += Fill(Choose(pattern.substr(i + 1, end - i - 1)));
    i = end + 1;
  }
  return out;
}

}  // namespace genpackets
