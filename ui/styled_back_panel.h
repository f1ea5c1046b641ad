// TStyledBackPanel (`Baggrund`): the panel that covers the window's client
// area with a tiled picture.
//
// The picture (an item of a TStyledGraphicList) is drawn at its own pixel size
// from the panel's top-left corner, repeated to the right and downward, each
// copy cut at the panel's edges. The tiling is rendered once per panel size
// into an off-screen image, after the window is loaded (Loaded) and at each
// size change; painting only copies from it, and transparent children (the
// group box) copy the part under them (Background). With no item at the list
// index, nothing is rendered and the panel shows its colour, the button face.
// No border: the picture reaches every edge.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/styled_graphic_list.h"

namespace ui {

class TStyledBackPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TStyledBackPanel(QWidget* parent = nullptr);

  void SetImageList(TStyledGraphicList* list) { list_ = list; }
  void SetListIndex(int index) { list_index_ = index; }
  int ListIndex() const { return list_index_; }
  // The window has been loaded: render the background for the first time.
  // A picture that does not decode leaves the panel in its colour; the error
  // is kept in PictureError().
  void Loaded();

  // The rendered background at the panel's size; null when there is none.
  const QImage& Background() const { return background_; }
  // The colour shown where there is no background.
  QColor Color() const { return palette().color(QPalette::Button); }
  const std::string& PictureError() const { return picture_error_; }
  // How often the background was rendered (once per size).
  int RenderCount() const { return render_count_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Render();

  TStyledGraphicList* list_ = nullptr;
  int list_index_ = 0;
  bool loaded_ = false;
  std::vector<uint32_t> pixels_;  // background_'s pixels
  QImage background_;
  QSize rendered_size_;
  std::string picture_error_;
  int render_count_ = 0;
};

}  // namespace ui
