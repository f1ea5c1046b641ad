// TStyledImage (`Logo`): a bitmap of a TStyledBitmapList drawn at its own size
// from the component's top-left corner, cut at the component's edges, on top
// of whatever its parent panel shows. With ForceTransparent, every pixel of
// exactly the item's transparent colour (the bottom-left pixel's, unless the
// list sets another) is left undrawn, so the panel's picture shows through.
// No border, no background of its own.
//
// The keyed-out bitmap is made once (Loaded, or when a setting changes) and
// painting only draws it.
#pragma once

#include <QImage>
#include <QWidget>

#include "ui/styled_graphic_list.h"

namespace ui {

class TStyledImage : public QWidget {
  Q_OBJECT

 public:
  explicit TStyledImage(QWidget* parent = nullptr);

  void SetImageList(TStyledBitmapList* list);
  void SetListIndex(int index);
  void SetForceTransparent(bool on);
  bool ForceTransparent() const { return force_transparent_; }
  void Loaded();

  // What painting draws: the bitmap with its transparent pixels cleared.
  const QImage& Shown() const { return shown_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Prepare();

  TStyledBitmapList* list_ = nullptr;
  int list_index_ = 0;
  bool force_transparent_ = false;
  QImage shown_;
};

}  // namespace ui
