// Applies the editor configuration's table to the window.
#include "app/editor_configuration.h"

#include <stdexcept>
#include <string>

#include "app/error_display.h"
#include "app/indeks_base.h"
#include "ui/grid_columns.h"

namespace app {
namespace {

QWidget* ComponentNamed(TVRegister& w, std::string_view name) {
  const std::pair<std::string_view, QWidget*> components[] = {
      {"NyPost", w.NyPost},
      {"SletPost", w.SletPost},
      {"RydOp", w.RydOp},
      {"RydOp2", w.RydOp2},
      {"Decap", w.Decap},
      {"HentV", w.HentV},
      {"NytSprog", w.NytSprog},
      {"KeyLabel", w.KeyLabel},
      {"VProgrammer", w.VProgrammer},
      {"SideLabel", w.SideLabel},
      {"StartSideEdit", w.StartSideEdit},
  };
  for (const auto& [component_name, widget] : components) {
    if (component_name == name) return widget;
  }
  throw std::logic_error("no component " + std::string(name));
}

}  // namespace

void ApplyEditorConfiguration(TVRegister& window) {
  for (const EditorComponent& c : kEditorComponents) {
    QWidget* widget = ComponentNamed(window, c.name);
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
