// Text helpers of the packet generator: the fixed-seed range cutting, the
// UTF-8 to Windows-1252 conversion (the engine's, with the generator's
// messages) and the slot filler that turns a pattern of a content bank into a
// title or a sentence.
//
// What must stay true: the same seed and the same patterns give the same
// bytes on every machine; no character outside Windows-1252 reaches a packet.
#include <stdexcept>

#include "engine/cp1252.h"
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

std::string Utf8To1252(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  const size_t done = engine::AppendUtf8AsCp1252(utf8, &out);
  if (done == utf8.size()) return out;
  // Tell which of the two it was.
  char32_t cp = 0;
  if (engine::DecodeUtf8(utf8.data() + done, utf8.data() + utf8.size(), &cp) == 0) {
    throw std::runtime_error("malformed or unsupported UTF-8 in: " + utf8);
  }
  throw std::runtime_error("character U+" + std::to_string(static_cast<uint32_t>(cp)) +
                           " has no Windows-1252 byte, in: " + utf8);
}

const std::vector<std::string>& SlotFiller::Pool(const std::string& name) const {
  auto own = content_.pools.find(name);
  if (own != content_.pools.end()) return own->second;
  const auto& common = CommonPools();
  auto shared = common.find(name);
  if (shared != common.end()) return shared->second;
  throw std::runtime_error(content_.Language() + " content names an unknown pool {" + name + "}");
}

std::string SlotFiller::Choose(const std::string& slot) {
  std::string name = slot;
  size_t part = 0;
  if (auto colon = slot.find(':'); colon != std::string::npos) {
    name = slot.substr(0, colon);
    part = static_cast<size_t>(std::stoi(slot.substr(colon + 1)));
  }
  if (name.empty()) throw std::runtime_error("empty slot in " + content_.Language() + " content");
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
      throw std::runtime_error(content_.Language() + " pool entry '" + entry + "' has no part " +
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
