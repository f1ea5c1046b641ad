// Copying the data grid's selected rows (DataGrid::SelectedRowsText and
// CopySelectedRows, declared in db_grid.h): what a reader who found articles
// takes into a letter or a spreadsheet.
//
// The text is the shown columns in their shown order (moved and hidden
// columns taken into account), titles first, cells as the grid shows them,
// tab-separated with one line per row; a line break or tab inside a cell
// becomes one blank, so that every row stays one line. A copy of one row adds
// the copied text field's text (when it has one) after a blank line. Lines end in "\n" (the
// clipboard gives each system its own line ends).
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <algorithm>
#include <vector>

#include "ui/db_grid.h"

namespace ui {

namespace {

// One line per row: runs of line breaks and tabs become one blank.
QString OneLine(const QString& cell) {
  QString line;
  line.reserve(cell.size());
  bool in_break = false;
  for (QChar c : cell) {
    const bool breaks = c == u'\r' || c == u'\n' || c == u'\t' || c == QChar::LineSeparator ||
                        c == QChar::ParagraphSeparator;
    if (breaks) {
      if (!in_break) line += u' ';
    } else {
      line += c;
    }
    in_break = breaks;
  }
  return line;
}

// The memo's lines, CR LF or not, end in "\n".
QString Lines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace

QString DataGrid::SelectedRowsText() const {
  std::vector<int> rows;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    for (int r = range.top(); r <= range.bottom(); ++r) rows.push_back(r);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  if (rows.empty()) return QString();

  std::vector<int> columns;
  const QHeaderView* header = horizontalHeader();
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    if (!isColumnHidden(logical)) columns.push_back(logical);
  }
  auto line = [&](auto cell) {
    QString text;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) text += u'\t';
      text += OneLine(cell(columns[i]));
    }
    return text + u'\n';
  };
  QString text = line([&](int column) {
    return model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  });
  for (int row : rows) {
    text += line([&](int column) { return model_->index(row, column).data().toString(); });
  }
  if (rows.size() == 1 && !copied_text_field_.empty()) {
    const QString article = model_->FieldText(rows.front(), copied_text_field_);
    if (!article.isEmpty()) text += u'\n' + Lines(article);
  }
  return text;
}

void DataGrid::CopySelectedRows() {
  const QString text = SelectedRowsText();
  if (text.isEmpty()) return;
  QApplication::clipboard()->setText(text);
}

}  // namespace ui
