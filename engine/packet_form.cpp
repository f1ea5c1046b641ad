// PacketFormOfContent / PacketFormOfFileName: the one place each where a
// packet's form is told (the rules are in packet_form.h).
#include "engine/packet_form.h"

#include <cstring>

#include "engine/text_fold.h"

namespace engine {

PacketForm PacketFormOfContent(std::span<const uint8_t> bytes) {
  return bytes.size() >= sizeof kBinarySignature &&
                 std::memcmp(bytes.data(), kBinarySignature, sizeof kBinarySignature) == 0
             ? PacketForm::kBinary
             : PacketForm::kXml;
}

PacketForm PacketFormOfContent(std::string_view bytes) {
  return PacketFormOfContent(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

PacketForm PacketFormOfFileName(std::string_view name) {
  // The extension is what follows the last dot; "xml" holds no dot and no
  // directory separator, so a name whose extension is ".xml" is exactly one
  // that ends in it.
  constexpr std::string_view kXmlExtension = ".xml";
  return name.size() >= kXmlExtension.size() &&
                 EqualsIgnoreAsciiCase(name.substr(name.size() - kXmlExtension.size()),
                                       kXmlExtension)
             ? PacketForm::kXml
             : PacketForm::kBinary;
}

}  // namespace engine
