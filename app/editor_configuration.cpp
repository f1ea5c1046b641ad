// Applies the editor configuration's table to the window.
#include "app/editor_configuration.h"

#include <algorithm>

#include "app/error_display.h"
#include "app/indeks_base.h"
#include "ui/grid_columns.h"
#include "ui/vregister_definition.h"

namespace app {

// Each row names a component of the window definition.
static_assert(std::ranges::all_of(kEditorComponents, [](const EditorComponent& c) {
  return ui::definition::IsComponent(c.name);
}));

void ApplyEditorConfiguration(TVRegister& window) {
  for (const EditorComponent& c : kEditorComponents) {
    QWidget* widget = window.Component(c.name);
    int left = c.left == kDefinitionPlace ? widget->x() : c.left;
    int top = c.top == kDefinitionPlace ? widget->y() : c.top;
    widget->move(left, top);
    widget->show();
    widget->raise();
  }
  window.ArtikelGrid->SetReadOnly(false);
  for (const ui::GridColumnDef& c : ui::kGridColumns) {
    if (c.audience == ui::kForEditors) window.ArtikelGrid->SetColumnVisible(c.id, true);
  }
  window.Manchet->setReadOnly(false);
  window.VProgrammer->setReadOnly(false);
  const auto show_error = [](std::exception_ptr e) { ShowException(e); };
  window.Manchet->SetErrorHandler(show_error);
  window.VProgrammer->SetErrorHandler(show_error);
  // From now on the table holds its data file's edit lock while open; a file
  // another editor holds is told of at once.
  window.ArtikelData->FileGuard().SetEditLocking(true);
  window.TellOfOtherEditor();
}

}  // namespace app
