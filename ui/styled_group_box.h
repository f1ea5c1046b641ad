// TStyledGroupBox (`FilterGruppe`): a transparent group with an etched frame
// and a caption at the top left.
//
// The group shows the part of its back panel's picture that lies under it
// (copied from the panel's rendered background), so its labels and inputs
// stand on the picture. With h the caption font's line height, the frame
// runs from y = h div 2 - 1 to the bottom; the caption starts CaptionOffset
// pixels from the left, drawn in the caption font (not the group's own font),
// and the frame is interrupted behind it from 2 pixels before the caption to 2
// pixels past its last character, trailing blanks included.
#pragma once

#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QRect>

namespace ui {

class TStyledBackPanel;

class TStyledGroupBox : public QGroupBox {
  Q_OBJECT

 public:
  explicit TStyledGroupBox(QWidget* parent = nullptr);

  void SetCaptionFont(const QFont& font, QColor color);
  const QFont& CaptionFont() const { return caption_font_; }
  void SetCaptionOffset(int pixels) { caption_offset_ = pixels; }
  int CaptionOffset() const { return caption_offset_; }
  void Loaded();

  // The caption font's line height (that of "W").
  int CaptionHeight() const;
  // The area filled again behind the caption, which cuts the frame.
  QRect CaptionGap() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The nearest back panel among the ancestors, or null.
  const TStyledBackPanel* Panel() const;
  // Fills `r` (group coordinates) with the panel's picture under it.
  void FillFromPanel(QPainter& p, const QRect& r) const;

  QFont caption_font_;
  QColor caption_color_ = Qt::white;
  int caption_offset_ = 8;
};

}  // namespace ui
