// Long paragraphs of the memo's plain-text document, held as several blocks.
//
// The box lays out a whole block before it paints any of it, so a paragraph of
// a megabyte costs its whole layout before the first line shows. Such a
// paragraph is cut into blocks at places where its lines wrap anyway, so that
// only the blocks in view are laid out. A cut replaces the blank (or line
// separator) before a wrapped line with a block break: positions stay those of
// the paragraph, and the cut's block remembers in its user state that the
// break stands for a blank.
//
// Where a paragraph wraps is known only by laying it out from its start, so
// the first cuts are provisional: blanks about every kPieceChars characters.
// Settling a provisional cut joins it again and cuts anew at the real wrap
// points, laying out only a bounded window of the paragraph at a time.
#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

class QTextDocument;

namespace ui::memo_blocks {

// A block longer than this is cut; shorter ones are laid out whole, cheaply.
constexpr int kLongBlockChars = 16384;
// About the length of a provisional piece, and of a settled one.
constexpr int kPieceChars = 4096;

// The user state bits of a block that begins at a cut.
enum : int {
  kJoined = 1,       // the break before the block stands for a blank
  kProvisional = 2,  // the cut is no wrap point yet: the lines before it end early
};

struct Cut {
  int position;  // where the new block begins
  int state;
};

// `text_width` is the width the box gives its document (its viewport's when
// it wraps lines at its width), 0 when lines do not wrap.
//
// Whether the document's lines wrap at a width (cuts are made only then).
bool Wraps(const QTextDocument* doc, qreal text_width);

// Provisional cuts of every long block of a text given to the document:
// replaces the cut characters by block breaks and returns the new blocks.
std::vector<Cut> CutLongBlocks(QString& text);
// Marks the blocks of the cuts after the text was set.
void MarkCuts(QTextDocument* doc, const std::vector<Cut>& cuts);

// Provisional cuts of the document's long paragraphs, made afresh in one
// edit after joining the cuts made for another width; whether the document
// changed.
bool RecutLongBlocks(QTextDocument* doc, qreal text_width);
// Gives the blocks before provisional cuts a line count estimated from their
// length, so that the scroll bar spans about the whole text until they are
// laid out. (The box learns of it at its next change of document size.)
void EstimateLines(QTextDocument* doc, qreal text_width);
// Joins every cut that stands for a blank; whether the document had any.
bool JoinAll(QTextDocument* doc);

// Settles cuts until the lines of the block at `position` are the
// paragraph's own; whether the document changed (not when they were).
bool SettleThrough(QTextDocument* doc, qreal text_width, int position);

// The position of the first block at or after `from` that begins at a
// provisional cut, or -1.
int FirstProvisional(const QTextDocument* doc, int from);

// The raw text of [from, to) with every cut given back as the blank it
// replaced (other block breaks stay U+2029).
QString RawText(const QTextDocument* doc, int from, int to);

}  // namespace ui::memo_blocks
