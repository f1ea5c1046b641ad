// Data-bound memo: re-reads its field whenever the data source says so, and
// builds the text box's document only when the text changed.
//
// A plain-text document holds one block per line break, and building a block
// costs some microseconds: a 40 MB text of short lines would take seconds.
// So only every kLinesPerBlock-th line break starts a new block; the others
// are line separators inside the block, which break the line exactly as a
// new block does in a plain-text box (no spacing between paragraphs) and copy
// out as line breaks. Blocks stay small enough that laying out the visible
// ones, which is all the box does before painting, is cheap.
//
// A paragraph longer than a block should be is cut into blocks at its wrap
// points (ui/memo_blocks.h): provisionally when the text is set, settled
// before a part of it comes into view. What the field receives and what a copy
// holds is the text without the cuts.
//
// When the box is not read-only (the editors' build), what the user types is
// written to the field of the current record at once.
#include "ui/db_memo.h"

#include <QAbstractTextDocumentLayout>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

#include "ui/code_page.h"
#include "ui/data_source.h"
#include "ui/memo_blocks.h"

namespace ui {

namespace {

constexpr int kLinesPerBlock = 32;
// The cuts not in view are settled once the box was idle this long (ms), a
// window of text at a time.
constexpr int kIdleMs = 100;

// The memo's text for the box, in one pass: Windows-1252 to Unicode, and
// CR LF between lines to a line break.
QString ShownText(const std::string& text) {
  static const QString kHigh = [] {
    std::string high;
    for (int b = 0x80; b < 0xA0; ++b) high += static_cast<char>(b);
    return FromCp1252(high);
  }();
  QString shown(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
  QChar* write = shown.data();
  QChar* const begin = write;
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = in + text.size();
  int lines = 0;
  while (in != end) {
    const unsigned char b = *in++;
    if (b == '\r' && in != end && *in == '\n') {
      ++in;
      *write++ = ++lines % kLinesPerBlock == 0 ? QChar(u'\n') : QChar(QChar::LineSeparator);
    } else if (b >= 0x80 && b < 0xA0) {
      *write++ = kHigh[b - 0x80];
    } else {
      *write++ = QChar(static_cast<char16_t>(b));
    }
  }
  shown.truncate(write - begin);
  return shown;
}

// What the user typed, for the field: the raw text keeps no-break spaces (a
// plain-text copy would turn them into blanks), and every kind of line break
// becomes CR LF.
std::string FieldText(const QString& raw) {
  QString typed = raw;
  for (QChar& c : typed) {
    if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = u'\n';
  }
  std::string bytes = ToCp1252(typed);
  std::string text;
  text.reserve(bytes.size());
  for (char c : bytes) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

}  // namespace

DataMemo::DataMemo(DataSource* source, std::string field_name, QWidget* parent)
    : QPlainTextEdit(parent), source_(source), field_name_(std::move(field_name)) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(source_, &DataSource::dataSetChanged, this, &DataMemo::Refresh);
  connect(source_, &DataSource::recordChanged, this, &DataMemo::Refresh);
  connect(source_, &DataSource::scrolled, this, &DataMemo::Refresh);
  connect(source_, &DataSource::stateChanged, this, &DataMemo::Refresh);
  settle_timer_.setSingleShot(true);
  connect(&settle_timer_, &QTimer::timeout, this, &DataMemo::SettleInBackground);
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (!refreshing_ && !settling_ && !isReadOnly()) WriteBack();
  });
}

void DataMemo::WriteBack() {
  store::TArtikelData* table = source_->DataSet();
  if (table == nullptr || !table->Active()) return;
  QTextDocument* doc = document();
  std::string text = FieldText(has_cuts_ ? memo_blocks::RawText(doc, 0, doc->characterCount() - 1)
                                         : doc->toRawText());
  try {
    // The record's edit begins first: its notice still finds the field's old
    // text shown. Then the box already shows the new text, and the notices of
    // the write must not set it again (that would move the cursor while the
    // user types).
    table->Edit();
    shown_source_ = text;
    table->FieldByName(field_name_).SetAsString(text);
    FindMarks(text);
  } catch (...) {
    if (error_handler_) error_handler_(std::current_exception());
    shown_source_.reset();
    Refresh();
  }
}

void DataMemo::Refresh() {
  store::TArtikelData* table = source_->DataSet();
  std::string text;
  if (table != nullptr && table->Active() && table->RecNo() > 0) {
    try {
      text = table->FieldByName(field_name_).AsString();
    } catch (...) {
      text.clear();  // a record that cannot be read shows no text
    }
  }
  // Several notices come for one move; the text shown is built once.
  if (shown_source_ == text) return;
  refreshing_ = true;
  QString shown = ShownText(text);
  cuts_allowed_ = isReadOnly() || !hasFocus();
  std::vector<memo_blocks::Cut> cuts;
  cut_width_ = TextWidth();
  if (cuts_allowed_ && memo_blocks::Wraps(document(), cut_width_)) {
    cuts = memo_blocks::CutLongBlocks(shown);
  }
  setPlainText(shown);
  memo_blocks::MarkCuts(document(), cuts);
  refreshing_ = false;
  shown_source_ = std::move(text);
  settle_timer_.stop();
  has_cuts_ = !cuts.empty();
  if (has_cuts_) {
    EstimateLines();
    SettleShown();
    settled_to_ = 0;
    settle_timer_.start(kIdleMs);
  }
  FindMarks(*shown_source_);
}

void DataMemo::SetMarkWord(std::string_view word) {
  marks_.SetWord(word);
  FindMarks(shown_source_ ? std::string_view(*shown_source_) : std::string_view());
}

void DataMemo::FindMarks(std::string_view text) {
  marked_.clear();
  const auto found = marks_.Find(text);
  marked_.reserve(found.size());
  // The box holds CR LF as one line break: a place moves back by the breaks
  // before it and shrinks by those inside it.
  size_t scanned = 0;
  int breaks = 0;
  auto count_breaks = [&](size_t from, size_t to) {
    int n = 0;
    for (size_t i = from; i < to; ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++n;
    }
    return n;
  };
  for (const auto& [start, length] : found) {
    breaks += count_breaks(scanned, start);
    const int inside = count_breaks(start, start + length);
    marked_.emplace_back(static_cast<int>(start) - breaks, static_cast<int>(length) - inside);
    breaks += inside;
    scanned = start + length;
  }
  ShowMarks();
}

void DataMemo::ShowMarks() {
  QList<QTextEdit::ExtraSelection> shown;
  if (!marked_.empty()) {
    // The text positions in view: from the first block shown to the end of
    // the last one that begins above the bottom edge.
    QTextBlock block = firstVisibleBlock();
    const int from = block.position();
    int to = from;
    const QPointF offset = contentOffset();
    for (; block.isValid(); block = block.next()) {
      if (blockBoundingGeometry(block).translated(offset).top() > viewport()->height()) break;
      to = block.position() + block.length();
    }
    const QTextCharFormat format = WordMarks::Format();
    auto it = std::lower_bound(
        marked_.begin(), marked_.end(), from,
        [](const std::pair<int, int>& m, int pos) { return m.first + m.second <= pos; });
    for (; it != marked_.end() && it->first < to; ++it) {
      QTextCursor cursor(document());
      cursor.setPosition(it->first);
      cursor.setPosition(it->first + it->second, QTextCursor::KeepAnchor);
      shown.push_back({cursor, format});
    }
  }
  if (shown.isEmpty() && extraSelections().isEmpty()) return;
  setExtraSelections(shown);
}

void DataMemo::EstimateLines() {
  memo_blocks::EstimateLines(document(), cut_width_);
  // The scroll bar follows the document's size.
  QAbstractTextDocumentLayout* layout = document()->documentLayout();
  emit layout->documentSizeChanged(layout->documentSize());
}

qreal DataMemo::TextWidth() const {
  return lineWrapMode() == QPlainTextEdit::WidgetWidth ? viewport()->width() : 0;
}

int DataMemo::TopPosition() const {
  const QTextBlock top = firstVisibleBlock();
  const int line = verticalScrollBar()->value() - top.firstLineNumber();
  const QTextLayout* layout = top.layout();
  if (line > 0 && layout != nullptr && line < layout->lineCount()) {
    return top.position() + layout->lineAt(line).textStart();
  }
  return top.position();
}

void DataMemo::ScrollTo(int position) {
  const QTextBlock block = document()->findBlock(position);
  blockBoundingRect(block);  // lays the block out: its lines count
  int line = 0;
  if (block.layout()->lineCount() > 0) {
    line = block.layout()->lineForTextPosition(position - block.position()).lineNumber();
  }
  {
    const QSignalBlocker quiet(verticalScrollBar());
    verticalScrollBar()->setValue(block.firstLineNumber() + std::max(0, line));
  }
  // The box takes its top line from the bar.
  QPlainTextEdit::scrollContentsBy(0, 0);
}

void DataMemo::SettleShown() {
  if (settling_ || !has_cuts_) return;
  QTextDocument* doc = document();
  const int top = TopPosition();
  const qreal height = 2.0 * std::max(viewport()->height(), 100);
  bool changed = false;
  settling_ = true;
  int position = firstVisibleBlock().position();
  for (qreal y = 0; y < height;) {
    if (memo_blocks::SettleThrough(doc, cut_width_, position)) changed = true;
    const QTextBlock block = doc->findBlock(position);
    y += blockBoundingRect(block).height();
    if (!block.next().isValid()) break;
    position = block.next().position();
  }
  settling_ = false;
  if (changed) ScrollTo(top);
}

void DataMemo::SettleInBackground() {
  if (!has_cuts_) return;
  QTextDocument* doc = document();
  const int next = memo_blocks::FirstProvisional(doc, settled_to_);
  if (next < 0) return;
  const int top = TopPosition();
  // The blocks change from the block before the provisional cut on.
  const int changed = doc->findBlock(next).previous().position();
  settling_ = true;
  memo_blocks::SettleThrough(doc, cut_width_, next);
  settling_ = false;
  if (changed <= top) ScrollTo(top);
  settled_to_ = changed;
  settle_timer_.start(0);
}

void DataMemo::LeaveCuts() {
  if (isReadOnly() || !cuts_allowed_) return;
  cuts_allowed_ = false;
  if (!has_cuts_) return;
  has_cuts_ = false;
  settle_timer_.stop();
  const int top = TopPosition();
  settling_ = true;
  const bool joined = memo_blocks::JoinAll(document());
  settling_ = false;
  if (joined) ScrollTo(top);
}

void DataMemo::scrollContentsBy(int dx, int dy) {
  QPlainTextEdit::scrollContentsBy(dx, dy);
  SettleShown();
  ShowMarks();
}

void DataMemo::resizeEvent(QResizeEvent* event) {
  const int top = TopPosition();
  QPlainTextEdit::resizeEvent(event);
  if (cuts_allowed_ && TextWidth() != cut_width_) {
    // The old cuts are wrap points of the old width only.
    cut_width_ = TextWidth();
    settling_ = true;
    const bool cut = memo_blocks::RecutLongBlocks(document(), cut_width_);
    settling_ = false;
    if (cut) {
      has_cuts_ = true;
      EstimateLines();
      ScrollTo(top);
      settled_to_ = 0;
      settle_timer_.start(kIdleMs);
    }
  }
  SettleShown();
  ShowMarks();
}

void DataMemo::focusInEvent(QFocusEvent* event) {
  LeaveCuts();
  QPlainTextEdit::focusInEvent(event);
}

void DataMemo::keyPressEvent(QKeyEvent* event) {
  LeaveCuts();
  QPlainTextEdit::keyPressEvent(event);
}

void DataMemo::inputMethodEvent(QInputMethodEvent* event) {
  LeaveCuts();
  QPlainTextEdit::inputMethodEvent(event);
}

void DataMemo::dragEnterEvent(QDragEnterEvent* event) {
  LeaveCuts();
  QPlainTextEdit::dragEnterEvent(event);
}

QMimeData* DataMemo::createMimeDataFromSelection() const {
  const QTextCursor cursor = textCursor();
  const QTextDocument* doc = document();
  if (!cursor.hasSelection() || !has_cuts_) {
    return QPlainTextEdit::createMimeDataFromSelection();
  }
  QString text = memo_blocks::RawText(doc, cursor.selectionStart(), cursor.selectionEnd());
  if (text == cursor.selectedText()) return QPlainTextEdit::createMimeDataFromSelection();
  // As a plain-text copy gives it.
  for (QChar& c : text) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
      c = u'\n';
    } else if (c == QChar::Nbsp) {
      c = u' ';
    }
  }
  auto* data = new QMimeData;
  data->setText(text);
  return data;
}

}  // namespace ui
