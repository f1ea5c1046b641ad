// The article text box on a paragraph far too long to lay out at once: it
// shows the lines a box holding the paragraph whole shows, at any width, copies
// the text as it is, and what the editor types reaches the field without a
// trace of the blocks the paragraph is shown in.
#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include "app/editor_configuration.h"
#include "maintenance_window.h"
#include "ui/code_page.h"

namespace app {
namespace {

// About 60 000 characters without a line break, with a no-break space and
// characters of the code page's upper half, then a short line.
std::string LongParagraph() {
  static const char* kWords[] = {"printer", "netv\xE6rk",      "grafik\xA0kort", "spil",
                                 "\x80",    "tastatur-layout", "modem"};
  std::string s;
  for (size_t k = 0; s.size() < 60000; ++k) s += std::string(kWords[k % std::size(kWords)]) + " ";
  return s + "slut\r\nanden linje";
}

// Where each line shown begins, up to `to`, laying out the blocks it needs.
std::vector<int> LineStarts(QPlainTextEdit* box, int to) {
  std::vector<int> starts;
  QTextDocument* doc = box->document();
  for (QTextBlock b = doc->begin(); b.isValid() && b.position() <= to; b = b.next()) {
    doc->documentLayout()->blockBoundingRect(b);
    for (int i = 0; i < b.layout()->lineCount(); ++i) {
      const int start = b.position() + b.layout()->lineAt(i).textStart();
      if (start <= to) starts.push_back(start);
    }
  }
  return starts;
}

// Where two lists first differ, for a readable failure.
template <typename List>
std::string FirstDifference(const List& a, const List& b) {
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  if (i == a.size() && i == b.size()) return "";
  return "at " + std::to_string(i) + " of " + std::to_string(a.size()) + "/" +
         std::to_string(b.size());
}

class LongMemo : public MaintenanceWindow {
 protected:
  void SetUp() override {
    MaintenanceWindow::SetUp();
    std::string xml_text;
    for (char c : LongParagraph()) {
      xml_text += c == '\r'   ? std::string("&#13;")
                  : c == '\n' ? std::string("&#10;")
                              : std::string(1, c);
    }
    WriteFile(
        "Base.xml",
        EditionXml({ArticleRow("Aargang=\"2001\" Nummer=\"1\" Titel=\"Lang\" Tekst=\"" + xml_text +
                               "\" Kategori=\"Artikel\" StartSide=\"1\" SlutSide=\"2\"")}));
  }
  // A box that holds the text whole, beside the window's, of the same size.
  void ShowReference(ui::DataMemo* memo) {
    reference_.setFont(memo->font());
    reference_.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    reference_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reference_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QString text = ui::FromCp1252(LongParagraph());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    reference_.setPlainText(text);
    reference_.resize(memo->size());
    reference_.show();
    QApplication::processEvents();
    ASSERT_EQ(reference_.viewport()->width(), memo->viewport()->width());
  }
  void Resize(ui::DataMemo* memo, int width) {
    memo->resize(width, memo->height());
    reference_.resize(width, memo->height());
    QApplication::processEvents();
  }
  static int LastShown(QPlainTextEdit* box) {
    return box->cursorForPosition(box->viewport()->rect().bottomRight()).position();
  }
  QPlainTextEdit reference_;
};

TEST_F(LongMemo, ShowsTheWrappedLinesOfTheWholeParagraphAndCopiesItAsItIs) {
  TVRegister& w = Start();
  ui::DataMemo* memo = w.Manchet;
  ShowReference(memo);
  // The paragraph is shown in many blocks.
  EXPECT_GT(memo->document()->blockCount(), 10);
  for (int width : {506, 300}) {
    SCOPED_TRACE(width);
    Resize(memo, width);
    // In view before any scrolling, then all of it, scrolled to the end.
    EXPECT_EQ(FirstDifference(LineStarts(memo, LastShown(memo)),
                              LineStarts(&reference_, LastShown(memo))),
              "");
    memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
    QApplication::processEvents();
    const int end = memo->document()->characterCount();
    EXPECT_EQ(FirstDifference(LineStarts(memo, end), LineStarts(&reference_, end)), "");
    QApplication::processEvents();
    EXPECT_EQ(memo->verticalScrollBar()->maximum(), reference_.verticalScrollBar()->maximum());
    memo->verticalScrollBar()->setValue(0);
  }
  for (QPlainTextEdit* box : {static_cast<QPlainTextEdit*>(memo), &reference_}) {
    box->selectAll();
    box->copy();
    QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied.size(), memo->document()->characterCount() - 1);
    EXPECT_EQ(copied.count(u'\n'), 1);
    std::string expected = LongParagraph();
    std::replace(expected.begin(), expected.end(), '\xA0', ' ');  // as every plain-text copy
    EXPECT_EQ(
        FirstDifference(ui::ToCp1252(copied.replace(u'\n', QStringLiteral("\r\n"))), expected), "");
  }
}

TEST_F(LongMemo, TheEditorsTypingReachesTheFieldWithoutTheBlocks) {
  TVRegister& w = Start();
  ApplyEditorConfiguration(w);
  QApplication::processEvents();
  EXPECT_GT(w.Manchet->document()->blockCount(), 10);
  w.Manchet->setFocus();
  w.Manchet->moveCursor(QTextCursor::End);
  QTest::keyClicks(w.Manchet, " igen");
  EXPECT_EQ(FirstDifference(F("TEKST").AsString(), LongParagraph() + " igen"), "");
  EXPECT_EQ(w.Manchet->document()->blockCount(), 1);
}

}  // namespace
}  // namespace app
