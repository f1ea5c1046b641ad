// Windows-1252 <-> Unicode for the widgets, through the engine's one table
// (engine/cp1252.h): the five bytes the code page leaves undefined map to the
// C1 control characters of the same value, so that no byte is lost on a round
// trip.
#include "ui/code_page.h"

#include "engine/cp1252.h"

namespace ui {

QString FromCp1252(std::string_view bytes) {
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (char ch : bytes)
    out.append(QChar(static_cast<char16_t>(engine::Cp1252ToUnicode(static_cast<uint8_t>(ch)))));
  return out;
}

std::string ToCp1252(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (QChar qc : text) {
    const int b = engine::UnicodeToCp1252(qc.unicode());
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

}  // namespace ui
