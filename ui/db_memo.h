// DataMemo: a data-bound multi-line text box (`Manchet`, `VProgrammer`). It
// shows the whole text of one memo field of the table's current record,
// wraps lines at the right edge, scrolls vertically, and follows every change
// of the current record, its values and the view. When it is not read-only,
// what the user types is written to the field of the current record at once
// (the table begins an edit); a refused write goes to the error handler and
// the box shows the field again.
//
// A paragraph too long to lay out at once is shown as several blocks cut at
// its wrap points (ui/memo_blocks.h); the cuts never reach the field or a copy.
// The box cuts again when its width changes, and joins the cuts back before
// the user edits.
//
// The box can mark the search word's places in its text (ui/word_marks.h).
// Only the marks in view are drawn, as extra selections: a text of many
// thousand places costs no more to show than one of a few.
#pragma once

#include <QPlainTextEdit>
#include <QTimer>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/word_marks.h"

namespace ui {

class DataSource;

class DataMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  DataMemo(DataSource* source, std::string field_name, QWidget* parent = nullptr);

  const std::string& DataField() const { return field_name_; }
  void Refresh();
  void SetErrorHandler(std::function<void(std::exception_ptr)> handler) {
    error_handler_ = std::move(handler);
  }
  // The word whose places the box marks (Windows-1252; empty: none).
  void SetMarkWord(std::string_view word);
  // The marked places of the text shown, as position and length in the box's
  // document.
  const std::vector<std::pair<int, int>>& MarkedPlaces() const { return marked_; }

 protected:
  QMimeData* createMimeDataFromSelection() const override;
  void scrollContentsBy(int dx, int dy) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;

 private:
  void WriteBack();
  // The width the box lays its document out at (0: lines do not wrap).
  qreal TextWidth() const;
  // The text position at the start of the top line shown, and scrolling back
  // to it after the blocks changed.
  int TopPosition() const;
  void ScrollTo(int position);
  // Line counts for the blocks not laid out yet, for the scroll bar.
  void EstimateLines();
  // Settles the cuts in view and a view's height below it.
  void SettleShown();
  // Settles the next provisional cut while the box is idle, and goes on.
  void SettleInBackground();
  // Before the user edits: the paragraphs become single blocks again.
  void LeaveCuts();
  // Finds the marked places of the field's text, and draws those in view.
  void FindMarks(std::string_view text);
  void ShowMarks();

  bool refreshing_ = false;
  // The blocks are being cut or joined: the box's own reactions wait.
  bool settling_ = false;
  // Whether the text shown may be cut (not once the user began editing it).
  bool cuts_allowed_ = true;
  // Whether the document may hold cuts.
  bool has_cuts_ = false;
  // The text width the cuts are made for.
  qreal cut_width_ = 0;
  QTimer settle_timer_;
  // Settled up to here (a text position) in the background.
  int settled_to_ = 0;
  std::function<void(std::exception_ptr)> error_handler_;
  DataSource* source_;
  std::string field_name_;
  // The field's text the box shows; empty when it must be shown afresh.
  std::optional<std::string> shown_source_;
  WordMarks marks_;
  std::vector<std::pair<int, int>> marked_;
};

}  // namespace ui
