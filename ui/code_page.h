// Text crosses between the system's 8-bit ANSI code page (Windows-1252: the
// table's strings and memos) and Qt's Unicode strings only here.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ui {

QString FromCp1252(std::string_view bytes);
// Characters that Windows-1252 cannot hold become "?".
std::string ToCp1252(const QString& text);

}  // namespace ui
