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

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>
#include <set>

namespace ui::memo_blocks {

namespace {

// How much of a paragraph one settling step lays out.
constexpr int kWindowChars = 4 * kPieceChars;

int State(const QTextBlock& block) { return block.isValid() ? std::max(0, block.userState()) : 0; }

bool Provisional(const QTextBlock& block) { return (State(block) & kProvisional) != 0; }

// Whether the lines of the block at `position` are the paragraph's own: it
// neither begins nor ends at a provisional cut.
bool IsExact(const QTextDocument* doc, int position) {
  const QTextBlock b = doc->findBlock(position);
  return !Provisional(b) && !Provisional(b.next());
}

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
void PlanProvisional(QStringView text, int from, int to, std::vector<Cut>* cuts) {
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
// start. `whole`: the window ends where the paragraph does. `starts` gets
// where the window's lines begin.
std::vector<Cut> PlanExact(const QTextDocument* doc, qreal text_width, const QString& text,
                           bool whole, std::vector<int>* line_starts) {
  std::vector<Cut> cuts;
  const qreal width = WrapWidth(doc, text_width);
  if (width <= 0) return cuts;
  std::vector<int>& starts = *line_starts;
  starts.clear();
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

// One edit of the document that keeps every position and leaves no undo step
// (cuts exist only while the user has not edited: the undo stack is empty).
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
// state (the head keeps `head_state`). With the window's line starts, each
// block of the window counts its lines before the box sees the change: the
// scroll bar spans them.
void Apply(QTextDocument* doc, int start, int head_state, const std::vector<int>& joined,
           const std::vector<Cut>& cuts, const std::vector<int>& line_starts = {}) {
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
    if (!line_starts.empty()) {
      std::vector<int> blocks{0};
      for (const Cut& c : cuts) blocks.push_back(c.position);
      blocks.push_back(INT_MAX);
      for (size_t i = 0; i + 1 < blocks.size(); ++i) {
        const auto from = std::lower_bound(line_starts.begin(), line_starts.end(), blocks[i]);
        const auto to = std::lower_bound(from, line_starts.end(), blocks[i + 1]);
        doc->findBlock(start + blocks[i]).setLineCount(std::max(1, static_cast<int>(to - from)));
      }
    }
  }
  doc->findBlock(start).setUserState(head_state > 0 ? head_state : -1);
  for (const Cut& c : cuts)
    doc->findBlock(start + c.position).setUserState(c.state > 0 ? c.state : -1);
}

// The block breaks that stand for blanks in [from, to), and the text of that
// range with them given back as blanks.
QString WindowText(const QTextDocument* doc, int from, int to, std::vector<int>* joined) {
  // A cursor only reads here; it wants a document it could write to.
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
  const QStringView view(text);
  const int n = static_cast<int>(view.size());
  // The document makes one break of CR LF: positions would not be the text's.
  // A text without CR (all but odd ones) is searched for its breaks quickly.
  const bool cr = view.contains(u'\r');
  if (cr && view.contains(u"\r\n")) return cuts;
  int next_cr = cr ? static_cast<int>(view.indexOf(u'\r')) : -1;
  for (int block = 0; block <= n;) {
    int end = static_cast<int>(view.indexOf(u'\n', block));
    if (end < 0) end = n;
    if (next_cr >= 0 && next_cr < end) {
      end = next_cr;
      next_cr = static_cast<int>(view.indexOf(u'\r', next_cr + 1));
    }
    if (end - block > kLongBlockChars) PlanProvisional(text, block, end, &cuts);
    block = end + 1;
  }
  for (const Cut& c : cuts) text[c.position - 1] = u'\n';
  return cuts;
}

void MarkCuts(QTextDocument* doc, const std::vector<Cut>& cuts) {
  for (const Cut& c : cuts) {
    if (c.state > 0) doc->findBlock(c.position).setUserState(c.state);
  }
}

bool RecutLongBlocks(QTextDocument* doc, qreal text_width) {
  bool changed = false;
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
      if (!joined.empty() || !cuts.empty()) {
        Apply(doc, start, 0, joined, cuts);
        changed = true;
      }
    }
    b = after_position < 0 ? QTextBlock() : doc->findBlock(after_position);
  }
  return changed;
}

void EstimateLines(QTextDocument* doc, qreal text_width) {
  // Greedy wrapping leaves about half a word free at the end of a line.
  const qreal width = 0.95 * WrapWidth(doc, text_width);
  if (width <= 0) return;
  const QFontMetricsF metrics(doc->defaultFont());
  qreal advance = 0;  // the mean advance of a character of the paragraph
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    if (!Provisional(b) && !Provisional(b.next())) continue;
    if (!Provisional(b)) {
      const QString sample = b.text().left(1024);
      advance = sample.isEmpty() ? 0 : metrics.horizontalAdvance(sample) / sample.size();
    }
    if (b.layout()->lineCount() > 0) continue;
    b.setLineCount(std::max(1, static_cast<int>(std::ceil(b.length() * advance / width))));
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
    std::vector<int> joined, starts;
    QString text = WindowText(doc, start, end, &joined);
    std::vector<Cut> cuts = PlanExact(doc, text_width, text, !Provisional(last.next()), &starts);
    if (cuts.empty() && Provisional(last.next())) {
      // No wrap point to cut at in a whole window: the paragraph's rest is
      // laid out whole, as one block.
      while (Provisional(last.next())) last = last.next();
      end = last.position() + last.length() - 1;
      joined.clear();
      text = WindowText(doc, start, end, &joined);
      cuts = PlanExact(doc, text_width, text, true, &starts);
    }
    Apply(doc, start, State(head), joined, cuts, starts);
    changed = true;
  }
  return changed;
}

int FirstProvisional(const QTextDocument* doc, int from) {
  for (QTextBlock b = doc->findBlock(from); b.isValid(); b = b.next()) {
    if (Provisional(b)) return b.position();
  }
  return -1;
}

QString RawText(const QTextDocument* doc, int from, int to) {
  return WindowText(doc, from, to, nullptr);
}

}  // namespace ui::memo_blocks
