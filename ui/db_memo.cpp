// Data-bound memo: re-reads its field whenever the data source says so.
#include "ui/db_memo.h"

#include "ui/code_page.h"
#include "ui/data_source.h"

namespace ui {

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
  // The widget's bare line feeds are CR LF in the field.
  std::string typed = ToCp1252(toPlainText());
  std::string text;
  text.reserve(typed.size());
  for (char c : typed) {
    if (c == '\n') text += '\r';
    text += c;
  }
  try {
    table->Edit();
    table->FieldByName(field_name_).SetAsString(text);
  } catch (...) {
    if (error_handler_) error_handler_(std::current_exception());
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
  // Memo lines are separated by CR LF; the widget wants bare line feeds.
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    shown += text[i];
  }
  QString qtext = FromCp1252(shown);
  if (qtext == toPlainText()) return;
  refreshing_ = true;
  setPlainText(qtext);
  refreshing_ = false;
}

}  // namespace ui
