// The XML packet form: its shape, the binary -> XML -> binary byte round
// trip, encodings and character references, escapes, the zero-byte refusal,
// and refusal of malformed documents and values that do not fit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/coding.h"
#include "engine/ds_interfaces.h"
#include "engine/packet_codec.h"
#include "engine/xml_packet.h"
#include "tests/packet_samples.h"

namespace {

using engine::DBResult;
using engine::PacketForm;
using engine::TableData;
using ::testing::HasSubstr;

std::string Write(const TableData& t, PacketForm form) {
  std::string out, error;
  EXPECT_EQ(engine::WritePacket(t, form, &out, &error), engine::kDBOk) << error;
  return out;
}

DBResult Read(std::string_view bytes, TableData* t, std::string* error) {
  return engine::ReadPacket(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                            t, error);
}

TableData MustRead(std::string_view bytes) {
  TableData t;
  std::string error;
  EXPECT_EQ(Read(bytes, &t, &error), engine::kDBOk) << error;
  return t;
}

// A packet of three fields Aargang (i4), Titel (string WIDTH 10), Tekst (memo)
// with the given rows.
std::string Doc(std::string_view rows,
                std::string_view decl =
                    "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>") {
  return std::string(decl) +
         "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
         "<FIELD attrname=\"Aargang\" fieldtype=\"i4\"/>"
         "<FIELD attrname=\"Titel\" fieldtype=\"string\" WIDTH=\"10\"/>"
         "<FIELD attrname=\"Tekst\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
         "</FIELDS><PARAMS/></METADATA><ROWDATA>" +
         std::string(rows) + "</ROWDATA></DATAPACKET>";
}

std::string TitleOf(std::string_view doc) {
  const TableData t = MustRead(doc);
  if (t.row_count() == 0 || t.cell(0, 1).blank != engine::kValue) return "<null>";
  return std::string(t.bytes(t.cell(0, 1)));
}

TEST(XmlPacketShape, ArticleTableLooksAsDocumented) {
  TableData t = packet_samples::ArticlesWithHistory();
  const std::string x = Write(t, PacketForm::kXml);
  EXPECT_EQ(x.rfind("<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\n", 0),
            0u);
  EXPECT_THAT(x, HasSubstr("<DATAPACKET Version=\"2.0\">"));
  EXPECT_THAT(x, HasSubstr("<FIELD attrname=\"Aargang\" fieldtype=\"i4\" attrflags=\"16\"/>"));
  EXPECT_THAT(
      x,
      HasSubstr("<FIELD attrname=\"Titel\" fieldtype=\"string\" attrflags=\"16\" WIDTH=\"80\"/>"));
  EXPECT_THAT(
      x,
      HasSubstr(
          "<FIELD attrname=\"Tekst\" fieldtype=\"bin.hex\" attrflags=\"16\" SUBTYPE=\"Text\"/>"));
  EXPECT_THAT(x, HasSubstr("<PARAMS CHANGE_LOG=\"1 0 4 2 0 4 3 0 4 4 0 4 5 2 8 3 0 2\"/>"));
  EXPECT_THAT(x, HasSubstr("<ROW RowState=\"12\" RowUnchanged=\"Tekst VProgrammer\" Aargang="));
  EXPECT_THAT(x, HasSubstr(" Titel=\"\""));  // empty, not null
  EXPECT_THAT(x, HasSubstr("&#13;&#10;"));   // memo line breaks
  EXPECT_THAT(x, HasSubstr("prog.exe &quot;quoted&quot; &lt;x&gt;"));
}

TEST(XmlPacketRoundTrip, BinaryToXmlToBinaryIsByteIdentical) {
  for (const TableData& t : {packet_samples::ArticlesWithHistory(), packet_samples::Articles(40),
                             packet_samples::OddParameters()}) {
    const std::string binary = Write(t, PacketForm::kBinary);
    const TableData from_binary = MustRead(binary);
    const std::string xml = Write(from_binary, PacketForm::kXml);
    const TableData from_xml = MustRead(xml);
    std::string diff;
    EXPECT_TRUE(packet_samples::SameTable(from_binary, from_xml, &diff)) << diff << "\n"
                                                                         << xml.substr(0, 2000);
    EXPECT_EQ(Write(from_xml, PacketForm::kBinary), binary);
    // XML written by us and read again gives the same document.
    EXPECT_EQ(Write(from_xml, PacketForm::kXml), xml);
  }
}

TEST(XmlPacketRoundTrip, OddParametersCarryTheirType) {
  const std::string x = Write(packet_samples::OddParameters(), PacketForm::kXml);
  EXPECT_THAT(
      x, HasSubstr(
             " LCID=\"1030\" DISABLE_INSERTS=\"TRUE\" ODDBOOL=\"ffff\" ODDBOOL.type=\"hex 3 2\""));
  EXPECT_THAT(x, HasSubstr(" NOTE=\"a&amp;b\" NOTE.type=\"text 73 1\""));
  EXPECT_THAT(x, HasSubstr(" LIST=\"-1 5\" LIST.type=\"list 129 2\""));
  EXPECT_THAT(x, HasSubstr(" WORD=\"TRUE\" WORD.type=\"textz 73 2\""));
  EXPECT_THAT(x, HasSubstr("WIDTH=\"300\" prefixsize=\"1\""));
  EXPECT_THAT(x, HasSubstr("SUBTYPE=\"Text\" prefixsize=\"2\""));
  EXPECT_THAT(x, HasSubstr("attrflags=\"7\""));
}

TEST(XmlPacketRoundTrip, HeaderWordsSurvive) {
  TableData t = packet_samples::Articles(2);
  t.header_word1 = 2;
  t.header_word2 = 77;
  t.header_extra = "ab";
  t.row_gap = std::string("\0\xFF", 2);
  const std::string binary = Write(t, PacketForm::kBinary);
  const std::string xml = Write(MustRead(binary), PacketForm::kXml);
  EXPECT_THAT(
      xml, HasSubstr("HeaderWord1=\"2\" HeaderWord2=\"77\" HeaderExtra=\"6162\" RowGap=\"00ff\""));
  EXPECT_EQ(Write(MustRead(xml), PacketForm::kBinary), binary);
}

TEST(XmlPacketRoundTrip, EveryFieldTypeAndEveryByte) {
  TableData t;
  const uint16_t v = engine::kTypeVarying;
  t.fields = {{"a", 1, 1, 0, {}},        {"b", 8, 1, 0, {}}, {"c", 4, 2, 0, {}},
              {"d", 8, 4, 0, {}},        {"e", 2, 3, 0, {}}, {"f", 4, 6, 0, {}},
              {"g", 4, 7, 0, {}},        {"h", 8, 8, 0, {}}, {"s", 2, 9 | v, 0, {}},
              {"blob", 4, 11 | v, 0, {}}};
  const uint64_t rows[][8] = {
      {0xFFFFFFFFFFFFFF80ull, 0x8000000000000000ull, 0xFFFFFFFF, 0x7FF8000000000001ull, 2,
       0xFFFFFFFF80000000ull, 0, 0x8000000000000000ull},
      {127, 0x7FFFFFFFFFFFFFFFull, 0, 0x7FF0000000000000ull, 1, 0, 86399999, 0x3FB999999999999Aull},
      {0, 0, 1, 0xFFF8000000000000ull, 0, 1, 1, 0x0000000000000001ull},
  };
  std::string all_bytes;
  for (int c = 1; c < 256; ++c) all_bytes.push_back(static_cast<char>(c));
  for (const auto& row : rows) {
    t.status.push_back(0);
    for (uint64_t x : row) {
      engine::Cell c;
      c.data = x;
      c.blank = engine::kValue;
      t.cells.push_back(c);
    }
    t.cells.push_back(t.AddBytes(all_bytes));
    t.cells.push_back(t.AddBytes(std::string("\0\x01\xFE", 3)));
  }
  const std::string binary = Write(t, PacketForm::kBinary);
  const std::string xml = Write(MustRead(binary), PacketForm::kXml);
  EXPECT_THAT(xml, HasSubstr("blob=\"0001fe\""));
  EXPECT_THAT(xml, HasSubstr("&#9;"));
  EXPECT_EQ(Write(MustRead(xml), PacketForm::kBinary), binary);
}

TEST(XmlPacketWrite, ZeroByteIsRefusedAndNothingWritten) {
  TableData t = packet_samples::Articles(3);
  t.cell(1, 3) = t.AddBytes(std::string("a\0b", 3));
  std::string out = "old", error;
  EXPECT_EQ(engine::WritePacket(t, PacketForm::kXml, &out, &error), engine::kDBCannotWritePacket);
  EXPECT_TRUE(out.empty());
  EXPECT_THAT(error, HasSubstr("row 2, field 'Tekst'"));
  EXPECT_THAT(error, HasSubstr("zero byte"));
}

TEST(XmlPacketWrite, NamesThatCannotBeAttributesAreRefused) {
  struct Case {
    const char* name;
    const char* text;
  } cases[] = {
      {"Start Side", "not an XML name"}, {"RowState", "reserved"}, {"1st", "not an XML name"}};
  for (const Case& c : cases) {
    TableData t = packet_samples::Articles(1);
    t.fields[5].name = c.name;
    std::string out, error;
    EXPECT_EQ(engine::WritePacket(t, PacketForm::kXml, &out, &error), engine::kDBCannotWritePacket);
    EXPECT_THAT(error, HasSubstr(c.text)) << c.name;
  }
  TableData t = packet_samples::Articles(1);
  t.fields[1].name = "AARGANG";
  std::string out, error;
  EXPECT_EQ(engine::WritePacket(t, PacketForm::kXml, &out, &error), engine::kDBCannotWritePacket);
}

TEST(XmlPacketText, NullEmptyAndUnchanged) {
  std::string doc = Doc(
      "<ROW Aargang=\"1\" Titel=\"\"/><ROW RowState=\"9\" RowUnchanged=\"Tekst\" Aargang=\"2\"/>");
  const size_t at = doc.find("<PARAMS/>");
  doc.replace(at, 9, "<PARAMS CHANGE_LOG=\"1 0 4 2 1 8\"/>");
  const TableData u = MustRead(doc);
  ASSERT_EQ(u.row_count(), 2u);
  EXPECT_EQ(u.cell(0, 1).blank, engine::kValue);
  EXPECT_EQ(u.cell(0, 1).len, 0u);
  EXPECT_EQ(u.cell(0, 2).blank, engine::kNull);
  EXPECT_EQ(u.cell(1, 2).blank, engine::kUnchanged);
  EXPECT_EQ(u.cell(1, 1).blank, engine::kNull);
  EXPECT_EQ(u.status[1], 9);
}

struct TextCase {
  const char* what;
  std::string decl;
  std::string value;  // Titel's attribute value as it stands in the document
  std::string expected;
};

TEST(XmlPacketText, EncodingsAndReferences) {
  const std::string w1252 = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>";
  const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  const std::string none = "<?xml version=\"1.0\"?>";
  const TextCase cases[] = {
      {"1252 bytes", w1252, "\xC6\xD8\xC5\x80", "\xC6\xD8\xC5\x80"},
      {"no declaration", "", "\xE6\xF8\xE5", "\xE6\xF8\xE5"},
      {"declaration without encoding", none, "\xE6\x9D", "\xE6\x9D"},
      {"ISO-8859-1 bytes as they stand", latin1, "\x80\x81", "\x80\x81"},
      {"UTF-8 converted", utf8, "\xC3\x86\xE2\x82\xAC\xC5\xA0", "\xC6\x80\x8A"},
      {"UTF-8 BOM", "\xEF\xBB\xBF", "\xC3\xA5", "\xE5"},
      {"undefined bytes stand for themselves in UTF-8", utf8, "\xC2\x81\xC2\x9D", "\x81\x9D"},
      {"line break references", w1252, "a&#13;&#10;b", "a\r\nb"},
      {"reference to the euro sign", w1252, "&#8364;&#x20AC;", "\x80\x80"},
      {"reference with leading zeros", w1252, "&#x0000000020AC;&#00065;",
       "\x80"
       "A"},
      {"reference to an undefined byte", w1252, "&#x81;&#141;", "\x81\x8D"},
      {"named entities", w1252, "&amp;&lt;&gt;&quot;&apos;", "&<>\"'"},
      {"raw white space becomes blanks", w1252, "a\tb\r\nc\nd", "a b c d"},
      // Labels other writers use for the same code page, in any case.
      {"cp1252 label", "<?xml version=\"1.0\" encoding=\"cp1252\"?>", "\x80\xE6", "\x80\xE6"},
      {"x-cp1252 label", "<?xml version=\"1.0\" encoding=\"X-CP1252\"?>", "\x80", "\x80"},
      {"latin1 label", "<?xml version=\"1.0\" encoding=\"latin1\"?>", "\xE5", "\xE5"},
      {"iso8859-1 label", "<?xml version=\"1.0\" encoding=\"iso8859-1\"?>", "\xE5", "\xE5"},
      {"US-ASCII bytes above 0x7F read as 1252", "<?xml version=\"1.0\" encoding=\"us-ascii\"?>",
       "\x80\xF8", "\x80\xF8"},
      {"utf8 label", "<?xml version=\"1.0\" encoding=\"utf8\"?>", "\xC3\xA5", "\xE5"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(TitleOf(Doc("<ROW Titel=\"" + c.value + "\"/>", c.decl)), c.expected) << c.what;
  }
}

struct BadCase {
  const char* what;
  std::string doc;
  DBResult code;
  const char* text;
};

TEST(XmlPacketDamage, BadDocumentsAndValuesAreRefused) {
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  const BadCase cases[] = {
      {"UTF-8 character outside 1252", Doc("<ROW Titel=\"\xE4\xB8\xAD\"/>", utf8),
       engine::kDBValueDoesNotFit, "row 1, field 'Titel': character U+4E2D"},
      {"broken UTF-8", Doc("<ROW Titel=\"\xC3\"/>", utf8), engine::kDBValueDoesNotFit, "not UTF-8"},
      {"reference outside 1252", Doc("<ROW Titel=\"&#x4E2D;\"/>"), engine::kDBValueDoesNotFit,
       "U+4E2D"},
      {"reference to U+0080", Doc("<ROW Titel=\"&#128;\"/>"), engine::kDBValueDoesNotFit, "U+0080"},
      {"reference to zero", Doc("<ROW Titel=\"&#0;\"/>"), engine::kDBValueDoesNotFit, "zero"},
      {"unknown entity", Doc("<ROW Titel=\"&nbsp;\"/>"), engine::kDBValueDoesNotFit,
       "unknown reference"},
      {"bare ampersand", Doc("<ROW Titel=\"a & b\"/>"), engine::kDBValueDoesNotFit, "'&'"},
      {"raw less-than", Doc("<ROW Titel=\"a<b\"/>"), engine::kDBValueDoesNotFit, "'<'"},
      {"non-number for i4", Doc("<ROW Aargang=\"19x9\"/>"), engine::kDBValueDoesNotFit,
       "row 1, field 'Aargang': '19x9' is not a whole number"},
      {"empty i4", Doc("<ROW Aargang=\"\"/>"), engine::kDBValueDoesNotFit, "not a whole number"},
      {"i4 out of range", Doc("<ROW/><ROW Aargang=\"2147483648\"/>"), engine::kDBValueDoesNotFit,
       "row 2, field 'Aargang': 2147483648 is out of range for i4"},
      {"string longer than WIDTH", Doc("<ROW Titel=\"12345678901\"/>"), engine::kDBValueDoesNotFit,
       "field 'Titel': a value of 11 characters is longer than its WIDTH (10)"},
      {"unknown type", Doc("").replace(Doc("").find("\"i4\""), 4, "\"i16\""),
       engine::kDBUnknownFieldType, "field 'Aargang' has unknown type 'i16'"},
      {"unknown row attribute", Doc("<ROW Aargnag=\"1\"/>"), engine::kDBCorruptPacket,
       "row 1: unknown attribute 'Aargnag'"},
      {"field given twice", Doc("<ROW Aargang=\"1\" RowUnchanged=\"Aargang\"/>"),
       engine::kDBCorruptPacket, "given twice"},
      {"status bits", Doc("<ROW RowState=\"16\"/>"), engine::kDBCorruptPacket, "RowState '16'"},
      {"unchanged without a replaced row", Doc("<ROW RowState=\"8\" RowUnchanged=\"Tekst\"/>"),
       engine::kDBCorruptPacket, "row 1, field 'Tekst': marked unchanged"},
      {"change log not in threes",
       Doc("<ROW/>").replace(Doc("<ROW/>").find("<PARAMS/>"), 9, "<PARAMS CHANGE_LOG=\"1 0\"/>"),
       engine::kDBBadChangeLog, "not a multiple of three"},
      {"change log names a missing row",
       Doc("<ROW/>").replace(Doc("<ROW/>").find("<PARAMS/>"), 9, "<PARAMS CHANGE_LOG=\"2 0 4\"/>"),
       engine::kDBBadChangeLog, "record 2 does not exist"},
      {"change log with a word",
       Doc("<ROW/>").replace(Doc("<ROW/>").find("<PARAMS/>"), 9, "<PARAMS CHANGE_LOG=\"1 x 4\"/>"),
       engine::kDBBadChangeLog, "'x'"},
      {"unclosed element", Doc("<ROW Aargang=\"1\">"), engine::kDBCorruptPacket, "malformed"},
      {"truncated", Doc("<ROW/>").substr(0, 120), engine::kDBCorruptPacket, "malformed"},
      {"wrong root", "<PACKET/>", engine::kDBCorruptPacket, "not <DATAPACKET>"},
      {"text after the root", Doc("") + "junk\n", engine::kDBCorruptPacket,
       "text after the root element"},
      {"second root", Doc("") + "<x/>", engine::kDBCorruptPacket, "more than one root"},
      {"end tag mismatch", Doc("").replace(Doc("").find("</ROWDATA>"), 10, "</ROWDAT>"),
       engine::kDBCorruptPacket, "malformed at byte offset"},
      {"empty document", "", engine::kDBCorruptPacket, ""},
      {"zero byte", Doc(std::string("<ROW Titel=\"a\0\"/>", 16)), engine::kDBCorruptPacket,
       "zero byte at offset"},
      {"unknown encoding", Doc("", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"),
       engine::kDBCorruptPacket, "unsupported encoding 'UTF-16'"},
      {"no ROWDATA", "<DATAPACKET><METADATA><FIELDS/></METADATA></DATAPACKET>",
       engine::kDBCorruptPacket, "<ROWDATA> is missing"},
      {"reserved field name", Doc("").replace(Doc("").find("Aargang"), 7, "RowState"),
       engine::kDBCorruptPacket, "reserved"},
      {"duplicate field name", Doc("").replace(Doc("").find("Titel"), 5, "AARGANG"),
       engine::kDBCorruptPacket, "used by field 1"},
      {"text before the root", "junk" + Doc(""), engine::kDBCorruptPacket,
       "text before the root element at byte offset 0"},
      {"text after the declaration", Doc("", "<?xml version=\"1.0\"?>x"), engine::kDBCorruptPacket,
       "text before the root element at byte offset 21"},
      {"byte order mark after the declaration", Doc("", "<?xml version=\"1.0\"?>\xEF\xBB\xBF"),
       engine::kDBCorruptPacket, "a byte order mark at byte offset 21, not at the start"},
      {"CDATA in ROWDATA", Doc("<ROW/><![CDATA[x]]>"), engine::kDBCorruptPacket,
       "unexpected CDATA in <ROWDATA> after row 1"},
      {"CDATA in ROW", Doc("<ROW><![CDATA[x]]></ROW>"), engine::kDBCorruptPacket,
       "row 1 has content"},
      {"CDATA in FIELDS", Doc("").replace(Doc("").find("<FIELD "), 0, "<![CDATA[x]]>"),
       engine::kDBCorruptPacket, "unexpected CDATA in <FIELDS>"},
      {"WIDTH not a number", Doc("").replace(Doc("").find("\"10\""), 4, "\"ten\""),
       engine::kDBCorruptPacket, "parameter 'WIDTH': 'ten'"},
  };
  for (const BadCase& c : cases) {
    TableData t;
    std::string error;
    EXPECT_EQ(Read(c.doc, &t, &error), c.code) << c.what << ": " << error;
    EXPECT_THAT(error, HasSubstr(c.text)) << c.what;
  }
}

TEST(XmlPacketDamage, DuplicateAmongManyFieldsIsNamed) {
  std::string doc = "<DATAPACKET><METADATA><FIELDS>";
  for (int i = 1; i < 65535; ++i) {
    doc += "<FIELD attrname=\"F" + std::to_string(i) + "\" fieldtype=\"i4\"/>";
  }
  doc += "<FIELD attrname=\"f1\" fieldtype=\"i4\"/></FIELDS></METADATA><ROWDATA/></DATAPACKET>";
  TableData t;
  std::string error;
  EXPECT_EQ(Read(doc, &t, &error), engine::kDBCorruptPacket);
  EXPECT_THAT(error, HasSubstr("field 'f1': the name is used by field 1"));
}

TEST(XmlPacketDamage, TruncatedAnywhereIsRefused) {
  const std::string x = Write(packet_samples::ArticlesWithHistory(), PacketForm::kXml);
  const size_t end_of_root = x.rfind("</DATAPACKET>");
  for (size_t n = 0; n < end_of_root + 12; ++n) {
    TableData t;
    std::string error;
    ASSERT_NE(Read(x.substr(0, n), &t, &error), engine::kDBOk) << "cut at " << n;
    EXPECT_FALSE(error.empty());
  }
}

// The rows are parsed a piece at a time. However the rows are cut into
// pieces, the reader gives what a parse of the whole document gives: the
// same table, or the same first error, a malformation anywhere coming before
// refused content, whatever piece holds either.
TEST(XmlPacketRead, PiecesReadAsTheWholeDocumentDoes) {
  auto rows = [](size_t bad_value_row, size_t malformed_row, size_t content_row) {
    std::string r;
    for (size_t i = 1; i <= 200; ++i) {
      r += "<ROW Aargang=\"" + (i == bad_value_row ? std::string("x") : std::to_string(i)) +
           "\" Titel=\"" + (i == malformed_row ? std::string("a<b") : "t" + std::to_string(i)) +
           "\" Tekst=\"" + std::string(i % 7 * 10, 'x') + "\"" +
           (i == content_row ? "><x/></ROW>" : "/>") + (i % 3 ? "\n" : "<!-- -->");
    }
    return r;
  };
  auto quote_in_first_row = [&](std::string_view decl) {
    std::string d = Doc(rows(0, 0, 0), decl);
    return d.replace(d.find("Titel=\"t1\""), 10, "Titel=\"t'1\"");
  };
  auto misclosed = [](std::string d) { return d.replace(d.size() - 13, 13, "</DATAPACKT>"); };
  const struct Case {
    const char* what;
    std::string doc;
  } cases[] = {
      {"sound", Doc(rows(0, 0, 0))},
      {"refused value early", Doc(rows(5, 0, 0))},
      {"malformed row late", Doc(rows(0, 180, 0))},
      {"refused early, malformed late", Doc(rows(5, 180, 0))},
      {"row with content late", Doc(rows(0, 0, 150))},
      {"refused early, malformed after the rows", misclosed(Doc(rows(5, 0, 0)))},
      {"malformed head, refused late", "<?xml ?>" + Doc(rows(190, 0, 0))},
      // The parser ends the first declaration at its '/>', and runs the
      // second one's open quote on past its '?>'; either quote closes only
      // in the first row.
      {"declaration ended early, its quote closed among the rows",
       quote_in_first_row("<?xml version=\"1.0\"/><A b='?>")},
      {"open quote in the declaration", quote_in_first_row("<?xml version='1.0?>")},
      {"attribute without a value in <ROWDATA>, malformed first row",
       [&] {
         std::string d = Doc("< \n" + rows(0, 0, 0));
         return d.replace(d.find("<ROWDATA>"), 9, "<ROWDATA OR>");
       }()},
  };
  for (const Case& c : cases) {
    TableData whole;
    std::string whole_error;
    const DBResult whole_rc = engine::ReadXmlPacketInPieces(
        std::span(reinterpret_cast<const uint8_t*>(c.doc.data()), c.doc.size()), 0, &whole,
        &whole_error);
    for (size_t piece : {size_t{1}, size_t{500}, size_t{1} << 20}) {
      SCOPED_TRACE(std::string(c.what) + ", pieces of " + std::to_string(piece));
      TableData t;
      std::string error;
      EXPECT_EQ(engine::ReadXmlPacketInPieces(
                    std::span(reinterpret_cast<const uint8_t*>(c.doc.data()), c.doc.size()), piece,
                    &t, &error),
                whole_rc);
      EXPECT_EQ(error, whole_error);
      std::string diff;
      if (whole_rc == engine::kDBOk) {
        EXPECT_TRUE(packet_samples::SameTable(t, whole, &diff)) << diff;
      }
    }
  }
}

TEST(XmlPacketDamage, FlippedBytesNeverCrash) {
  const std::string x = Write(packet_samples::ArticlesWithHistory(), PacketForm::kXml);
  for (size_t i = 0; i < x.size(); i += 3) {
    std::string damaged = x;
    damaged[i] = static_cast<char>(damaged[i] ^ 0x20);
    TableData t;
    std::string error;
    if (Read(damaged, &t, &error) != engine::kDBOk) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    std::string out;
    if (engine::WritePacket(t, PacketForm::kXml, &out, &error) == engine::kDBOk) {
      TableData again = MustRead(out);
      std::string diff;
      EXPECT_TRUE(packet_samples::SameTable(t, again, &diff)) << diff;
    }
  }
}

TEST(XmlPacketDamage, ASmallDocumentCannotClaimHugeMemory) {
  std::string doc = "<DATAPACKET><METADATA><FIELDS>";
  for (int f = 0; f < 2000; ++f)
    doc += "<FIELD attrname=\"f" + std::to_string(f) + "\" fieldtype=\"i4\"/>";
  doc += "</FIELDS></METADATA><ROWDATA>";
  for (int r = 0; r < 2000; ++r) doc += "<ROW/>";
  doc += "</ROWDATA></DATAPACKET>";
  TableData t;
  std::string error;
  EXPECT_EQ(Read(doc, &t, &error), engine::kDBCorruptPacket);
  EXPECT_THAT(error, HasSubstr("2000 rows of 2000 fields are more cells"));
}

TEST(XmlPacketRead, BooleanParametersIgnoreCase) {
  std::string doc = Doc("");
  doc.replace(doc.find("<PARAMS/>"), 9,
              "<PARAMS DISABLE_EDITS=\"true\" DISABLE_DELETES=\"False\"/>");
  const TableData t = MustRead(doc);
  ASSERT_EQ(t.params.size(), 2u);
  EXPECT_EQ(t.params[0].type, engine::kBaseBool);
  EXPECT_EQ(t.params[0].raw, std::string("\1\0", 2));
  EXPECT_EQ(t.params[1].raw, std::string("\0\0", 2));
}

}  // namespace

namespace {

// Through the engine: a packet loaded as complete data and streamed out again
// is the same document (XML) or the same bytes (binary).
TEST(XmlPacketRoundTrip, ThroughTheEngine) {
  for (auto form : {engine::PacketForm::kXml, engine::PacketForm::kBinary}) {
    const std::string packet = Write(packet_samples::ArticlesWithHistory(), form);
    std::unique_ptr<engine::IDSBase> base = engine::CreateDSBase();
    ASSERT_EQ(
        base->AppendData(std::span(reinterpret_cast<const uint8_t*>(packet.data()), packet.size())),
        engine::kDBOk);
    std::string again;
    ASSERT_EQ(base->StreamData(form, &again), engine::kDBOk);
    EXPECT_EQ(again, packet);
  }
}

// A packet the caller will not use again is parsed and decoded where it
// stands; the engine then holds the same data, and refuses the same packets
// with the same text, as when it reads a copy.
TEST(XmlPacketRead, ConsumedPacketReadsAsACopyDoes) {
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  const std::string w1252 = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>";
  const struct {
    const char* what;
    std::string packet;
  } cases[] = {
      {"articles as XML", Write(packet_samples::ArticlesWithHistory(), PacketForm::kXml)},
      {"articles as binary", Write(packet_samples::ArticlesWithHistory(), PacketForm::kBinary)},
      {"references and raw white space",
       Doc("<ROW Aargang=\"1990\" Titel=\"&amp;&#8364;a\tb\" Tekst=\"x&#13;&#10;y&lt;\"/>"
           "<ROW Titel=\"plain\" Tekst=\"\"/>")},
      {"UTF-8 shrinks to one byte a character",
       Doc("<ROW Titel=\"\xC3\x86\xE2\x82\xAC\xC5\xA0\" Tekst=\"\xC3\xA5&amp;\"/>", utf8)},
      {"UTF-8 with a byte order mark", Doc("<ROW Titel=\"\xC3\xA5\"/>", "\xEF\xBB\xBF")},
      {"character outside 1252", Doc("<ROW Titel=\"\xE4\xB8\xAD\"/>", utf8)},
      {"value too long", Doc("<ROW Titel=\"eleven char\"/>")},
      {"cut short", Doc("<ROW Titel=\"a\"/>").substr(0, 150)},
      {"text before the root element", Doc("<ROW/>", w1252 + "x")},
      {"text after the root element", Doc("<ROW/>") + "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto copy_base = engine::CreateDSBase();
    const DBResult copy_rc = copy_base->AppendData(
        std::span(reinterpret_cast<const uint8_t*>(c.packet.data()), c.packet.size()));
    std::string consumed = c.packet;
    auto base = engine::CreateDSBase();
    const DBResult rc = base->AppendConsumedData(&consumed);
    ASSERT_EQ(rc, copy_rc);
    if (rc != engine::kDBOk) {
      std::string text, copy_text;
      base->GetErrorString(rc, &text);
      copy_base->GetErrorString(copy_rc, &copy_text);
      EXPECT_EQ(text, copy_text);
      EXPECT_FALSE(text.empty());
      continue;
    }
    EXPECT_TRUE(consumed.empty());
    std::string again, copy_again;
    ASSERT_EQ(base->StreamData(PacketForm::kBinary, &again), engine::kDBOk);
    ASSERT_EQ(copy_base->StreamData(PacketForm::kBinary, &copy_again), engine::kDBOk);
    EXPECT_EQ(again, copy_again);
  }
}

}  // namespace
