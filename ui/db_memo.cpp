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
// When the box is not read-only (the editors' build), what the user types is
// written to the field of the current record at once.
#include "ui/db_memo.h"

#include <QTextDocument>

#include "ui/code_page.h"
#include "ui/data_source.h"

namespace ui {

namespace {

constexpr int kLinesPerBlock = 32;

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
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (!refreshing_ && !isReadOnly()) WriteBack();
  });
}

void DataMemo::WriteBack() {
  store::TArtikelData* table = source_->DataSet();
  if (table == nullptr || !table->Active()) return;
  std::string text = FieldText(document()->toRawText());
  try {
    // The record's edit begins first: its notice still finds the field's old
    // text shown. Then the box already shows the new text, and the notices of
    // the write must not set it again (that would move the cursor while the
    // user types).
    table->Edit();
    shown_source_ = text;
    table->FieldByName(field_name_).SetAsString(text);
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
  setPlainText(ShownText(text));
  refreshing_ = false;
  shown_source_ = std::move(text);
}

}  // namespace ui
