// The caret's blink: half a cycle (on, or off) in milliseconds. 530 is the
// desktop's own default. The search word field starts with it, and the
// window definition gives it to that field.
#pragma once

namespace ui {

inline constexpr int kDefaultCaretBlinkMs = 530;

}  // namespace ui
