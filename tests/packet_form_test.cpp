// How a packet's form is told: by content when it is read (the binary
// signature at byte 0, anything else XML) and by file name when it is
// written (".xml" at the end, in any case). Each rule is one table; the rows
// stand on its boundaries.
#include "engine/packet_form.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

using engine::PacketForm;
using namespace std::string_view_literals;

const char* FormName(PacketForm form) { return form == PacketForm::kXml ? "XML" : "binary"; }

struct ContentCase {
  const char* what;
  std::string_view bytes;
  PacketForm form;
};

TEST(PacketFormTest, OfContentLooksForTheSignatureAtByteZero) {
  constexpr ContentCase kCases[] = {
      {"empty input", ""sv, PacketForm::kXml},
      {"the signature's first three bytes", "\x96\x19\xE0"sv, PacketForm::kXml},
      {"the signature alone", "\x96\x19\xE0\xBD"sv, PacketForm::kBinary},
      {"the signature and more", "\x96\x19\xE0\xBD\x01\x00\x00\x00"sv, PacketForm::kBinary},
      {"the signature with its first byte wrong", "\x97\x19\xE0\xBD"sv, PacketForm::kXml},
      {"the signature with its last byte wrong", "\x96\x19\xE0\xBC"sv, PacketForm::kXml},
      {"the signature after a blank", " \x96\x19\xE0\xBD"sv, PacketForm::kXml},
      {"the signature after a byte order mark", "\xEF\xBB\xBF\x96\x19\xE0\xBD"sv, PacketForm::kXml},
      {"an XML declaration", "<?xml version=\"1.0\"?>"sv, PacketForm::kXml},
      {"XML after a byte order mark", "\xEF\xBB\xBF<DATAPACKET/>"sv, PacketForm::kXml},
      {"a zero byte and the signature", "\0\x96\x19\xE0\xBD"sv, PacketForm::kXml},
  };
  for (const ContentCase& c : kCases) {
    SCOPED_TRACE(c.what);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(c.bytes.data()),
                                         c.bytes.size());
    EXPECT_STREQ(FormName(engine::PacketFormOfContent(bytes)), FormName(c.form));
    EXPECT_STREQ(FormName(engine::PacketFormOfContent(c.bytes)), FormName(c.form));
  }
}

struct NameCase {
  std::string_view name;
  PacketForm form;
};

constexpr NameCase kNameCases[] = {
    {"Base.xml", PacketForm::kXml},         {"./Base.xml", PacketForm::kXml},
    {".\\Base.xml", PacketForm::kXml},      {"Base.XML", PacketForm::kXml},
    {"Base.xMl", PacketForm::kXml},         {".xml", PacketForm::kXml},
    {"data/.xml", PacketForm::kXml},        {"Base.packet", PacketForm::kBinary},
    {"Base", PacketForm::kBinary},          {"", PacketForm::kBinary},
    {"xml", PacketForm::kBinary},           {"Basexml", PacketForm::kBinary},
    {"Base.xm", PacketForm::kBinary},       {"Base.xmll", PacketForm::kBinary},
    {"Base.xml ", PacketForm::kBinary},     {"Base.xml.bak", PacketForm::kBinary},
    {"data.xml/Base", PacketForm::kBinary}, {"data.xml\\Base", PacketForm::kBinary},
};

TEST(PacketFormTest, OfFileNameIsXmlForAnXmlExtensionInAnyCase) {
  for (const NameCase& c : kNameCases) {
    EXPECT_STREQ(FormName(engine::PacketFormOfFileName(c.name)), FormName(c.form))
        << "'" << c.name << "'";
  }
}

}  // namespace
