// Cutting long paragraphs into blocks at their wrap points, and joining them.
//
// A cut never changes a position: the blank or line separator before the cut
// becomes the block break. Where a line wraps is found with a QTextLayout set
// up as the box's document layout sets up each block (the document's font,
// text options and width less the margins), on a window of the paragraph that
// begins at a known line start. Line breaking is greedy, so the lines of a
// window are the paragraph's own up to the last lines of the window, which
// may have ended early for want of the text after it; those are not used.
#include "ui/memo_blocks.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <set>

namespace ui::memo_blocks {

namespace {

// How much of a paragraph one settling step lays out.
constexpr int kWindowChars = 4 * kPieceChars;

int State(const QTextBlock& block) {
  return block.isValid() ? std::max(0, block.userState()) : 0;
}

bool Provisional(const QTextBlock& block) { return (State(block) & kProvisional) != 0; }

bool Cuttable(QChar c) { return c == u' ' || c == QChar::LineSeparator; }

// The width the document layout wraps lines at, for the box's text width;
// 0 when it does not wrap.
qreal WrapWidth(const QTextDocument* doc, qreal text_width) {
  if (text_width <= 0) return 0;
  qreal width = text_width - 2 * doc->documentMargin();
  if (doc->defaultTextOption().flags() & QTextOption::AddSpaceForLineAndParagraphSeparators) {
    width -= QFontMetricsF(doc->defaultFont()).horizontalAdvance(QChar(0x21B5));
  }
  if (doc->defaultTextOption().wrapMode() == QTextOption::NoWrap) return 0;
  return width > 0 ? width : 0;
}

// Provisional cuts of text[from, to): a blank or line separator about every
// kPieceChars characters. A cut at a line separator is a real line start.
void PlanProvisional(const QString& text, int from, int to, std::vector<Cut>* cuts) {
  int piece = from;
  while (to - piece > kPieceChars + kPieceChars / 2) {
    const int target = piece + kPieceChars;
    int at = -1;
    for (int i = target; i > piece + kPieceChars / 2; --i) {
      if (Cuttable(text[i])) {
        at = i;
        break;
      }
    }
    for (int i = target + 1; at < 0 && i < to - kPieceChars / 2; ++i) {
      if (Cuttable(text[i])) at = i;
    }
    if (at < 0) return;  // no blank left: the rest stays one block
    cuts->push_back({at + 1, text[at] == u' ' ? kJoined | kProvisional : 0});
    piece = at + 1;
  }
}

// Cuts at real wrap points of a window of a paragraph that begins at a line
// start. `whole`: the window ends where the paragraph does.
std::vector<Cut> PlanExact(const QTextDocument* doc, qreal text_width, const QString& text,
                           bool whole) {
  std::vector<Cut> cuts;
  const qreal width = WrapWidth(doc, text_width);
  if (width <= 0) return cuts;
  std::vector<int> starts;
  QTextLayout layout(text, doc->defaultFont());
  layout.setTextOption(doc->defaultTextOption());
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    starts.push_back(line.textStart());
  }
  layout.endLayout();
  // Without the paragraph's end the last line start may lie wrong.
  const size_t usable = whole ? starts.size() : starts.size() > 0 ? starts.size() - 1 : 0;
  int last = 0, last_usable = 0;
  for (size_t i = 1; i < usable; ++i) {
    const int s = starts[i];
    if (!Cuttable(text[s - 1])) continue;
    last_usable = s;
    if (s - last >= kPieceChars) {
      cuts.push_back({s, text[s - 1] == u' ' ? kJoined : 0});
      last = s;
    }
  }
  // A window that goes on ends at its last known line start, so that the next
  // step lays out from there.
  if (!whole && last_usable > last) {
    cuts.push_back({last_usable, text[last_usable - 1] == u' ' ? kJoined : 0});
  }
  return cuts;
}

// One undoable-free edit of the document: every change keeps positions.
class Edit {
 public:
  explicit Edit(QTextDocument* doc)
      : doc_(doc), cursor_(doc), undo_(doc->isUndoRedoEnabled()), modified_(doc->isModified()) {
    doc_->setUndoRedoEnabled(false);
    cursor_.beginEditBlock();
  }
  ~Edit() {
    cursor_.endEditBlock();
    doc_->setUndoRedoEnabled(undo_);
    doc_->setModified(modified_);
  }
  Edit(const Edit&) = delete;
  Edit& operator=(const Edit&) = delete;

  // The character at `p` becomes a block break, or the break at `p` a blank.
  // The new character goes in after the old one before that is removed, so
  // that the box's own cursor and selection stay where they were.
  void Replace(int p, bool to_break) {
    cursor_.setPosition(p + 1);
    if (to_break) {
      cursor_.insertBlock();
    } else {
      cursor_.insertText(QStringLiteral(" "));
    }
    cursor_.setPosition(p);
    cursor_.setPosition(p + 1, QTextCursor::KeepAnchor);
    cursor_.removeSelectedText();
  }

 private:
  QTextDocument* doc_;
  QTextCursor cursor_;
  bool undo_;
  bool modified_;
};

// Gives the window [start, ...) the given cuts: breaks at `joined` (positions
// of block breaks standing for blanks) that are no cut any more become blanks
// again, new cuts become breaks; then every block of the window gets its
// state (the head keeps `head_state`).
void Apply(QTextDocument* doc, int start, int head_state, const std::vector<int>& joined,
           const std::vector<Cut>& cuts) {
  std::set<int> kept;
  for (const Cut& c : cuts) kept.insert(start + c.position - 1);
  const std::set<int> old(joined.begin(), joined.end());
  {
    Edit edit(doc);
    for (int p : joined) {
      if (!kept.count(p)) edit.Replace(p, false);
    }
    for (int p : kept) {
      if (!old.count(p)) edit.Replace(p, true);
    }
  }
  doc->findBlock(start).setUserState(head_state > 0 ? head_state : -1);
  for (const Cut& c : cuts) doc->findBlock(start + c.position).setUserState(c.state > 0 ? c.state : -1);
}

// The block breaks that stand for blanks in [from, to), and the text of that
// range with them given back as blanks.
QString WindowText(const QTextDocument* doc, int from, int to, std::vector<int>* joined) {
  QTextCursor cursor(const_cast<QTextDocument*>(doc));
  cursor.setPosition(from);
  cursor.setPosition(to, QTextCursor::KeepAnchor);
  QString text = cursor.selectedText();
  for (QTextBlock b = doc->findBlock(from).next(); b.isValid() && b.position() <= to;
       b = b.next()) {
    if (State(b) & kJoined && b.position() - 1 < to) {
      text[b.position() - 1 - from] = u' ';
      if (joined != nullptr) joined->push_back(b.position() - 1);
    }
  }
  return text;
}

}  // namespace

bool Wraps(const QTextDocument* doc, qreal text_width) { return WrapWidth(doc, text_width) > 0; }

std::vector<Cut> CutLongBlocks(QString& text) {
  std::vector<Cut> cuts;
  const int n = static_cast<int>(text.size());
  int block = 0;
  for (int i = 0; i <= n; ++i) {
    if (i < n && text[i] != u'\n' && text[i] != u'\r') continue;
    // The document makes one break of CR LF: positions would not be the text's.
    if (i + 1 < n && text[i] == u'\r' && text[i + 1] == u'\n') return {};
    if (i - block > kLongBlockChars) PlanProvisional(text, block, i, &cuts);
    block = i + 1;
  }
  for (const Cut& c : cuts) text[c.position - 1] = u'\n';
  return cuts;
}

void MarkCuts(QTextDocument* doc, const std::vector<Cut>& cuts) {
  for (const Cut& c : cuts) {
    if (c.state > 0) doc->findBlock(c.position).setUserState(c.state);
  }
}

void CutLongBlocks(QTextDocument* doc, qreal text_width) {
  // Each paragraph: blocks joined by breaks that stand for blanks, cut afresh
  // in one edit per paragraph.
  for (QTextBlock b = doc->begin(); b.isValid();) {
    const int start = b.position();
    QTextBlock last = b;
    while (last.next().isValid() && State(last.next()) & kJoined) last = last.next();
    const int end = last.position() + last.length() - 1;
    const QTextBlock after = last.next();
    const int after_position = after.isValid() ? after.position() : -1;
    if (last != b || end - start > kLongBlockChars) {
      std::vector<int> joined;
      QString text = WindowText(doc, start, end, &joined);
      std::vector<Cut> cuts;
      if (WrapWidth(doc, text_width) > 0 && end - start > kLongBlockChars) {
        PlanProvisional(text, 0, end - start, &cuts);
      }
      Apply(doc, start, 0, joined, cuts);
    }
    b = after_position < 0 ? QTextBlock() : doc->findBlock(after_position);
  }
}

bool JoinAll(QTextDocument* doc) {
  std::vector<int> joined;
  std::vector<int> heads;
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    if (State(b) & kJoined) {
      joined.push_back(b.position() - 1);
    } else if (b.next().isValid() && State(b.next()) & kJoined) {
      heads.push_back(b.position());
    }
  }
  if (joined.empty()) return false;
  {
    Edit edit(doc);
    for (auto p = joined.rbegin(); p != joined.rend(); ++p) edit.Replace(*p, false);
  }
  for (int h : heads) doc->findBlock(h).setUserState(-1);
  return true;
}

bool HasJoined(const QTextDocument* doc) {
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    if (State(b) & kJoined) return true;
  }
  return false;
}

bool IsExact(const QTextDocument* doc, int position) {
  const QTextBlock b = doc->findBlock(position);
  return !Provisional(b) && !Provisional(b.next());
}

bool SettleThrough(QTextDocument* doc, qreal text_width, int position) {
  bool changed = false;
  while (!IsExact(doc, position)) {
    QTextBlock head = doc->findBlock(position);
    while (Provisional(head)) head = head.previous();
    const int start = head.position();
    // The head and the provisional pieces after it, up to a window's length;
    // at least one piece, so that every step joins a provisional cut.
    QTextBlock last = head;
    do {
      last = last.next();
    } while (last.position() + last.length() - 1 - start < kWindowChars &&
             Provisional(last.next()));
    int end = last.position() + last.length() - 1;
    std::vector<int> joined;
    QString text = WindowText(doc, start, end, &joined);
    std::vector<Cut> cuts = PlanExact(doc, text_width, text, !Provisional(last.next()));
    if (cuts.empty() && Provisional(last.next())) {
      // No wrap point to cut at in a whole window: the paragraph's rest is
      // laid out whole, as one block.
      while (Provisional(last.next())) last = last.next();
      end = last.position() + last.length() - 1;
      joined.clear();
      text = WindowText(doc, start, end, &joined);
      cuts = PlanExact(doc, text_width, text, true);
    }
    Apply(doc, start, State(head), joined, cuts);
    changed = true;
  }
  return changed;
}

QString RawText(const QTextDocument* doc, int from, int to) {
  return WindowText(doc, from, to, nullptr);
}

}  // namespace ui::memo_blocks
