// Reading and writing the settings file (see settings.h).
#include "app/settings.h"

#include "app/edition.h"

namespace app {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int32_t ProfileInteger(std::string_view text, int32_t default_value) {
  std::string s(text);
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == s.size()) return default_value;
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    int d = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return default_value;
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    // Hexadecimal fills 32 bits (8 digits); decimal must fit the signed range.
    if (value > (hex ? 0xFFFFFFFFull : negative ? 0x80000000ull : 0x7FFFFFFFull)) {
      return default_value;
    }
  }
  uint32_t bits = static_cast<uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<int32_t>(bits);
}

Indstillinger LaesIndstillinger(platform::IProfileFiles& files, std::string_view alle_ord) {
  Indstillinger values;
  values.aargang = values.nummer = values.kategori = std::string(alle_ord);
  for (const SettingsKey& key : kSettingsKeys) {
    if (key.text != nullptr) {
      std::string& v = values.*key.text;
      v = files.GetString(kSettingsFile, kSettingsSection, key.read_name, v);
      if (key.list_text) v = NormaliserAlle(v, alle_ord);
    } else {
      int32_t& v = values.*key.number;
      v = ProfileInteger(files.GetString(kSettingsFile, kSettingsSection, key.read_name, ""), v);
    }
  }
  return values;
}

void SkrivIndstillinger(platform::IProfileFiles& files, const Indstillinger& values) {
  for (int index : kWriteOrder) {
    const SettingsKey& key = kSettingsKeys[index];
    std::string text = key.text != nullptr ? values.*key.text : std::to_string(values.*key.number);
    if (!files.WriteString(kSettingsFile, kSettingsSection, key.write_name, text)) {
      throw EIniFileException(std::string("Unable to write to ") + kSettingsFile);
    }
  }
}

namespace {

int32_t Bound(int32_t value, int32_t lower, int32_t upper) {
  if (value < lower) value = lower;
  if (value > upper) value = upper;
  return value;
}

}  // namespace

Placement BoundPlacement(const Indstillinger& values, int32_t screen_width, int32_t screen_height) {
  return {Bound(values.venstre, 0, screen_width - 100), Bound(values.top, 0, screen_height - 100),
          Bound(values.bredde, 100, 1280), Bound(values.hoejde, 100, 1024)};
}

}  // namespace app
