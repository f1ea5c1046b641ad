// Where the rows of an XML packet lie, so that the reader can parse them a
// piece at a time instead of building one node tree for the whole document
// (a tree costs about 40 bytes per value, half the document's size again).
//
// A light scan over the raw document finds the content of <ROWDATA> (the
// root's child), counts the elements in it and picks cut points between
// rows. It understands only the plain shape the writer produces: elements,
// attributes in quotes, comments, and processing instructions and text
// outside <ROWDATA>. For anything else (a document type, CDATA, a processing
// instruction or text among the rows, an instruction holding a tag mark or
// an open quote, an unclosed construct, a second or an empty <ROWDATA>) it
// gives up, and the reader parses the document whole,
// which judges it. Giving up is never wrong, only dearer.
// Used by engine/xml_packet.cpp.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace engine {

struct XmlRowSpan {
  size_t begin = 0;  // the first byte after <ROWDATA ...>
  size_t end = 0;    // the '<' of </ROWDATA>
  size_t rows = 0;   // elements directly inside
  // Where the pieces end, ascending; each lies between two rows, outside
  // every element, and the last is `end`.
  std::vector<size_t> cuts;
};

// Scans `document` from `start` and fills *span; false when the document is
// not of the plain shape. Pieces hold at least `piece_bytes` bytes, except
// the last.
bool FindXmlRowSpan(std::string_view document, size_t start, size_t piece_bytes, XmlRowSpan* span);

}  // namespace engine
