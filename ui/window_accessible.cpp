// The interface factory of the main window's widgets (see window_accessible.h).
#include "ui/window_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGroupBox>
#include <QWidget>

#include "ui/db_grid.h"
#include "ui/grid_accessible.h"
#include "ui/styled_back_panel.h"
#include "ui/styled_group_box.h"
#include "ui/vregister_form.h"

namespace ui {
namespace {

// A container whose accessible children are its shown child widgets, in
// creation order.
class ShownChildrenAccessible : public QAccessibleWidget {
 public:
  ShownChildrenAccessible(QWidget* widget, QAccessible::Role role)
      : QAccessibleWidget(widget, role) {}

  int childCount() const override { return static_cast<int>(Shown().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> shown = Shown();
    if (index < 0 || index >= shown.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(shown[index]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    return static_cast<int>(Shown().indexOf(qobject_cast<QWidget*>(child->object())));
  }
  QString text(QAccessible::Text t) const override {
    // A group is named by its caption, as Qt's own group interface does.
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
      if (auto* group = qobject_cast<QGroupBox*>(widget())) return group->title().trimmed();
    }
    return QAccessibleWidget::text(t);
  }

 private:
  QList<QWidget*> Shown() const {
    QList<QWidget*> shown;
    for (QObject* o : widget()->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w != nullptr && !w->isWindow() && !w->isHidden()) shown << w;
    }
    return shown;
  }
};

bool Is(const QString& classname, const QMetaObject& meta) {
  return classname == QLatin1String(meta.className());
}

QAccessibleInterface* WindowFactory(const QString& classname, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget == nullptr) return nullptr;
  if (Is(classname, VRegisterForm::staticMetaObject)) {
    return new ShownChildrenAccessible(widget, QAccessible::Window);
  }
  if (Is(classname, TStyledBackPanel::staticMetaObject)) {
    return new ShownChildrenAccessible(widget, QAccessible::Client);
  }
  if (Is(classname, TStyledGroupBox::staticMetaObject)) {
    return new ShownChildrenAccessible(widget, QAccessible::Grouping);
  }
  if (Is(classname, DataGrid::staticMetaObject)) {
    return new GridAccessible(static_cast<DataGrid*>(widget));
  }
  return nullptr;
}

}  // namespace

void InstallWindowAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&WindowFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace ui
