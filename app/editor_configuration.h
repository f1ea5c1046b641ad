// The editor configuration of the main window: what the build for the
// editors who keep the index shows and allows on top of the reader
// configuration. Applied once, after the window is created; the reader's
// program never applies it.
//
// What it does is written as data (kEditorComponents): the components it
// shows, each at the definition's place or at a place of its own where a
// component shown at the default window size (636 by 459) would cover it.
// Beyond that it makes the grid and both text boxes editable (an editable
// grid offers the category column's pick list of the column table) and
// shows the grid's columns the column table keeps for editors (the end
// page), and has the table hold its data file's edit lock, so that a second
// editor is told the file is being edited.
#pragma once

#include <string_view>

namespace app {

class TVRegister;

// Keeps the definition's value of a coordinate.
inline constexpr int kDefinitionPlace = -1;

struct EditorComponent {
  std::string_view name;
  int left;
  int top;
};

// The grid is 144 high at the default size and ends at 296; the text box
// begins at 329. The buttons that the text box ("Ryd op!", "Decap") or the
// exit button ("Slet post") would cover stand in the strip between them,
// beside the definition's place of "Hent V-CD".
inline constexpr EditorComponent kEditorComponents[] = {
    {"NyPost", kDefinitionPlace, kDefinitionPlace},
    {"HentV", kDefinitionPlace, kDefinitionPlace},
    {"NytSprog", kDefinitionPlace, kDefinitionPlace},
    {"RydOp", 128, 300},
    {"RydOp2", 200, 300},
    {"Decap", 272, 300},
    {"SletPost", 472, 300},
    {"KeyLabel", kDefinitionPlace, kDefinitionPlace},
    {"VProgrammer", kDefinitionPlace, kDefinitionPlace},
    {"SideLabel", kDefinitionPlace, kDefinitionPlace},
    {"StartSideEdit", kDefinitionPlace, kDefinitionPlace},
};

// Puts `window` into the editor configuration.
void ApplyEditorConfiguration(TVRegister& window);

}  // namespace app
