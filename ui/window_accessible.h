// How the main window reaches a screen reader: the accessible interfaces this
// window gives its own widgets in place of Qt's defaults. The window is a
// frame named by its caption; the window, the back panel and the search group
// list only the children that are shown, so a component the configuration
// hides is not in the tree at all; the grid is a table of its shown columns
// (grid_accessible.h).
#pragma once

namespace ui {

// Installs the window's interface factory; later calls do nothing. Must run
// before anything asks for the interface of one of the window's widgets.
void InstallWindowAccessibility();

}  // namespace ui
