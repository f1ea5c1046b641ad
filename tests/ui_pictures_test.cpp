// The picture side of the window's look: decoding the shipped pictures,
// refusing damaged or foreign ones with a clear message, and what the back
// panel, the image and the group box put on the screen, pixel by pixel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/picture_decode.h"
#include "ui/picture_error.h"
#include "ui/styled_back_panel.h"
#include "ui/styled_graphic_list.h"
#include "ui/styled_group_box.h"
#include "ui/styled_image.h"
#include "ui/window_pictures.h"

namespace ui {
namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes* b, uint32_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A bitmap file written by hand; the fields a test wants to spoil are
// parameters. `rows` are palette indices from the top, one byte each.
struct BmpFields {
  int width = 2;
  int height = 2;
  int bits = 8;
  uint32_t header = 40;
  uint32_t compression = 0;
  bool top_down = false;
  std::vector<uint32_t> palette = {0xFFFFFF, 0xFF0000};
  std::vector<std::vector<uint8_t>> rows = {{1, 1}, {0, 1}};
};

Bytes MakeBmp(const BmpFields& s) {
  const size_t stride = ((static_cast<size_t>(s.width) * s.bits + 31) / 32) * 4;
  const auto offset = static_cast<uint32_t>(14 + s.header + 4 * s.palette.size());
  Bytes b = {'B', 'M'};
  Put32(&b, offset + static_cast<uint32_t>(stride * s.height));
  Put32(&b, 0);
  Put32(&b, offset);
  Put32(&b, s.header);
  Put32(&b, static_cast<uint32_t>(s.width));
  Put32(&b, static_cast<uint32_t>(s.top_down ? -s.height : s.height));
  Put16(&b, 1);
  Put16(&b, static_cast<uint32_t>(s.bits));
  Put32(&b, s.compression);
  Put32(&b, static_cast<uint32_t>(stride * s.height));
  Put32(&b, 2800);
  Put32(&b, 2800);
  Put32(&b, static_cast<uint32_t>(s.palette.size()));
  Put32(&b, 0);
  for (size_t i = 40; i < s.header; ++i) b.push_back(0);
  for (uint32_t rgb : s.palette) Put32(&b, rgb);
  for (int y = s.height - 1; y >= 0; --y) {
    Bytes row(stride, 0);
    for (int x = 0; x < s.width && s.bits == 8; ++x) row[static_cast<size_t>(x)] = s.rows[y][x];
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

std::span<const uint8_t> Span(const Bytes& b) { return {b.data(), b.size()}; }

TEST(Pictures, ShippedPicturesDecodeAtTheirSizes) {
  struct Case {
    const char* name;
    TDecodedPicture picture;
    QSize size;
  };
  const Case cases[] = {
      {"background0", DecodeJpeg(Background0Jpeg()), QSize(800, 600)},
      {"background1", DecodeJpeg(Background1Jpeg()), QSize(800, 800)},
      {"logo", ReadBmp(LogoBmp()), QSize(100, 100)},
      {"icon", ReadIcon(IconFile()), QSize(32, 32)},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(c.picture.ok()) << c.name << ": " << c.picture.error;
    EXPECT_EQ(c.picture.image.size(), c.size) << c.name;
  }
  // The logo's bottom-left pixel is white, its transparent colour.
  const QImage logo = ReadBmp(LogoBmp()).image;
  EXPECT_EQ(logo.pixel(0, 99), qRgb(255, 255, 255));
}

TEST(Pictures, BmpRowsAreReadBottomUpThroughThePalette) {
  const TDecodedPicture p = ReadBmp(Span(MakeBmp({})));
  ASSERT_TRUE(p.ok()) << p.error;
  EXPECT_EQ(p.image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(p.image.pixel(1, 0), qRgb(255, 0, 0));
  EXPECT_EQ(p.image.pixel(0, 1), qRgb(255, 255, 255));
  EXPECT_EQ(p.image.pixel(1, 1), qRgb(255, 0, 0));
}

TEST(Pictures, BadPicturesAreRefusedWithWhatIsWrong) {
  const Bytes jpeg(Background1Jpeg().begin(), Background1Jpeg().end());
  const Bytes truncated(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2));
  Bytes bmp_truncated = MakeBmp({});
  bmp_truncated.resize(bmp_truncated.size() - 3);
  BmpFields index_outside;
  index_outside.rows = {{1, 7}, {0, 1}};
  struct Case {
    const char* what;
    TDecodedPicture picture;
    std::string message;
  };
  const Case cases[] = {
      {"truncated JPEG", DecodeJpeg(Span(truncated)), "JPEG: Premature end of JPEG file"},
      {"not a JPEG", DecodeJpeg(Span(MakeBmp({}))),
       "JPEG: not a JPEG picture (no start-of-image marker at offset 0)"},
      {"empty JPEG", DecodeJpeg({}), "JPEG: not a JPEG picture"},
      {"24-bit BMP", ReadBmp(Span(MakeBmp({.bits = 24}))),
       "Bitmap: 24 bits per pixel; only 8-bit bitmaps with a palette are read at offset 28"},
      {"4-bit BMP", ReadBmp(Span(MakeBmp({.bits = 4}))), "Bitmap: 4 bits per pixel"},
      {"top-down BMP", ReadBmp(Span(MakeBmp({.top_down = true}))),
       "Bitmap: rows stored top-down; only bottom-up rows are read at offset 22"},
      {"run-length BMP", ReadBmp(Span(MakeBmp({.compression = 1}))),
       "Bitmap: compression 1; only uncompressed is read at offset 30"},
      {"124-byte header", ReadBmp(Span(MakeBmp({.header = 124}))),
       "Bitmap: information header of 124 bytes; only the 40-byte header is read at offset 14"},
      {"truncated BMP", ReadBmp(Span(bmp_truncated)), "run past the end of the file"},
      {"index outside palette", ReadBmp(Span(MakeBmp(index_outside))),
       "Bitmap: colour index 7 outside the palette of 2"},
      {"JPEG as BMP", ReadBmp(Background1Jpeg()), "Bitmap: not a bitmap file"},
      {"BMP as icon", ReadIcon(Span(MakeBmp({}))), "Icon: not an icon file"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(c.picture.ok()) << c.what;
    EXPECT_TRUE(c.picture.image.isNull()) << c.what;
    EXPECT_NE(c.picture.error.find(c.message), std::string::npos)
        << c.what << ": " << c.picture.error;
  }
  // Every shorter prefix of the logo is refused, never read past its end.
  const Bytes logo(LogoBmp().begin(), LogoBmp().end());
  for (size_t n = 0; n < logo.size(); n += 97) {
    EXPECT_FALSE(ReadBmp({logo.data(), n}).ok()) << n;
  }
}

TEST(Pictures, FlippedBytesAreDecodedOrRefusedNeverReadOutOfBounds) {
  // Every byte of the headers, and a spread of the rest, set to values that
  // lie about counts and offsets; each result is a picture or a message.
  struct Source {
    const char* name;
    std::span<const uint8_t> bytes;
    TDecodedPicture (*decode)(std::span<const uint8_t>);
  };
  const Source sources[] = {
      {"logo", LogoBmp(), &ReadBmp},
      {"icon", IconFile(), &ReadIcon},
      {"background", Background0Jpeg(), &DecodeJpeg},
  };
  for (const Source& source : sources) {
    Bytes bytes(source.bytes.begin(), source.bytes.end());
    for (size_t at = 0; at < bytes.size(); at += at < 700 ? 1 : 997) {
      for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}}) {
        const uint8_t kept = bytes[at];
        bytes[at] = value;
        const TDecodedPicture p = source.decode(Span(bytes));
        EXPECT_EQ(p.ok(), !p.image.isNull()) << source.name << " at " << at;
        bytes[at] = kept;
      }
    }
  }
}

TEST(Pictures, AListRaisesTheDecodeErrorWithItsNameAndItem) {
  const Bytes jpeg(Background1Jpeg().begin(), Background1Jpeg().end());
  const Bytes truncated(jpeg.begin(), jpeg.begin() + 4000);
  TStyledGraphicList list;
  list.setObjectName("Baggrundsbillede");
  list.Add(Background0Jpeg());
  list.Add(Span(truncated));
  EXPECT_EQ(list.Picture(0).size(), QSize(800, 600));
  EXPECT_TRUE(list.Picture(2).isNull());  // no item: nothing to draw
  try {
    list.Picture(1);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Baggrundsbillede item 1: JPEG: Premature end of JPEG file");
  }
  // A panel on the bad item shows its colour and keeps the error.
  TStyledBackPanel panel;
  panel.resize(50, 50);
  panel.SetImageList(&list);
  panel.SetListIndex(1);
  panel.Loaded();
  EXPECT_TRUE(panel.Background().isNull());
  EXPECT_EQ(panel.PictureError(), "Baggrundsbillede item 1: JPEG: Premature end of JPEG file");
  EXPECT_EQ(panel.grab().toImage().pixelColor(10, 10), panel.Color());
}

TEST(BackPanel, TilesThePictureAtItsOwnSizeOncePerSize) {
  TStyledGraphicList list;
  list.Add(Background0Jpeg());
  list.Add(Background1Jpeg());
  const QImage tile = list.Picture(1);
  TStyledBackPanel panel;
  panel.SetImageList(&list);
  panel.SetListIndex(1);
  panel.resize(801, 803);
  panel.Loaded();
  panel.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
  const QImage shown = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(801, 803));
  for (int y : {0, 1, 399, 799}) {
    EXPECT_EQ(shown.pixel(799, y), tile.pixel(799, y)) << y;
    EXPECT_EQ(shown.pixel(800, y), tile.pixel(0, y)) << y;  // one column of a second tile
  }
  for (int x : {0, 400, 800}) {
    EXPECT_EQ(shown.pixel(x, 800), tile.pixel(x % 800, 0)) << x;
    EXPECT_EQ(shown.pixel(x, 802), tile.pixel(x % 800, 2)) << x;
  }
  // Painting copies; only a new size renders again.
  const int renders = panel.RenderCount();
  panel.grab();
  panel.grab();
  EXPECT_EQ(panel.RenderCount(), renders);
  panel.resize(640, 480);
  EXPECT_EQ(panel.RenderCount(), renders + 1);
  EXPECT_EQ(panel.Background().size(), QSize(640, 480));
}

TEST(BackPanel, WithoutAnItemShowsTheButtonFace) {
  TStyledGraphicList list;
  list.Add(Background0Jpeg());
  TStyledBackPanel panel;
  panel.SetImageList(&list);
  panel.SetListIndex(1);
  panel.resize(30, 20);
  panel.Loaded();
  EXPECT_TRUE(panel.Background().isNull());
  EXPECT_EQ(panel.Color(), QApplication::palette().color(QPalette::Button));
  EXPECT_EQ(panel.grab().toImage().pixelColor(29, 19), panel.Color());
}

// A panel with a flat picture, and an image on it.
class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    background_ = MakeBmp({.width = 4,
                           .height = 4,
                           .palette = {0x204060},
                           .rows = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}});
    pictures_.Add(Span(background_));
    panel_.SetImageList(&pictures_);
    panel_.SetListIndex(0);
    panel_.resize(200, 200);
    panel_.Loaded();
  }
  QImage Shown() { return panel_.grab().toImage().convertToFormat(QImage::Format_RGB32); }

  Bytes background_;
  TStyledGraphicList pictures_;
  TStyledBackPanel panel_;
};

TEST_F(ImageTest, TheTransparentColourShowsThePanelAnyOtherColourIsDrawn) {
  // Bottom-left white; beside it pixels one channel off white.
  const Bytes bmp = MakeBmp({.width = 4,
                             .height = 2,
                             .palette = {0xFFFFFF, 0xFEFFFF, 0xFFFEFF, 0xFFFFFE, 0x000000},
                             .rows = {{4, 4, 4, 4}, {0, 1, 2, 3}}});
  TStyledBitmapList bitmaps;
  bitmaps.Add(Span(bmp));
  auto* image = new TStyledImage(&panel_);
  image->setGeometry(10, 20, 4, 2);
  image->SetImageList(&bitmaps);
  image->SetForceTransparent(true);
  EXPECT_EQ(bitmaps.TransparentColor(0), QColor(255, 255, 255));
  const QImage shown = Shown();
  EXPECT_EQ(shown.pixel(10, 21), qRgb(0x20, 0x40, 0x60));  // white: the panel shows
  EXPECT_EQ(shown.pixel(11, 21), qRgb(0xFE, 0xFF, 0xFF));
  EXPECT_EQ(shown.pixel(12, 21), qRgb(0xFF, 0xFE, 0xFF));
  EXPECT_EQ(shown.pixel(13, 21), qRgb(0xFF, 0xFF, 0xFE));
  EXPECT_EQ(shown.pixel(10, 20), qRgb(0, 0, 0));
  // Without forced transparency white is drawn.
  image->SetForceTransparent(false);
  EXPECT_EQ(Shown().pixel(10, 21), qRgb(255, 255, 255));
}

TEST_F(ImageTest, TheBitmapIsCutAtTheComponentsEdges) {
  BmpFields fields{.width = 6, .height = 3, .palette = {0xFFFFFF, 0xC41C24}};
  fields.rows.assign(3, std::vector<uint8_t>(6, 1));
  fields.rows[2][0] = 0;  // white bottom-left
  const Bytes bmp = MakeBmp(fields);
  TStyledBitmapList bitmaps;
  bitmaps.Add(Span(bmp));
  auto* image = new TStyledImage(&panel_);
  image->setGeometry(50, 50, 4, 5);  // narrower, taller than the bitmap
  image->SetImageList(&bitmaps);
  image->SetForceTransparent(true);
  const QImage shown = Shown();
  EXPECT_EQ(shown.pixel(53, 50), qRgb(0xC4, 0x1C, 0x24));  // last shown column
  EXPECT_EQ(shown.pixel(54, 50), qRgb(0x20, 0x40, 0x60));  // columns 4 and 5 cut
  EXPECT_EQ(shown.pixel(50, 52), qRgb(0x20, 0x40, 0x60));  // the white pixel
  EXPECT_EQ(shown.pixel(51, 53), qRgb(0x20, 0x40, 0x60));  // below the bitmap
}

TEST_F(ImageTest, GroupFrameIsEtchedAndInterruptedBehindTheWholeCaption) {
  auto* group = new TStyledGroupBox(&panel_);
  group->setGeometry(20, 30, 170, 100);
  group->setTitle(QString::fromUtf8("Søg på:   "));
  QFont caption("Arial");
  caption.setPixelSize(16);
  caption.setBold(true);
  group->SetCaptionFont(caption, Qt::white);
  group->Loaded();
  const QRgb shadow = group->palette().color(QPalette::Dark).rgb();
  const QRgb highlight = group->palette().color(QPalette::Light).rgb();
  const QRgb picture = qRgb(0x20, 0x40, 0x60);
  const int h = QFontMetrics(caption).height();
  const int top = 30 + h / 2 - 1;
  const int caption_end = 20 + 8 + QFontMetrics(caption).horizontalAdvance(group->title());
  const QImage shown = Shown();
  // The etched edge: shadow then highlight at top and left, the reverse at
  // the bottom and right.
  EXPECT_EQ(shown.pixel(20, 60), shadow);
  EXPECT_EQ(shown.pixel(21, 60), highlight);
  EXPECT_EQ(shown.pixel(189, 60), highlight);
  EXPECT_EQ(shown.pixel(188, 60), shadow);
  EXPECT_EQ(shown.pixel(100, 129), highlight);
  EXPECT_EQ(shown.pixel(100, 128), shadow);
  EXPECT_EQ(shown.pixel(100, 131), picture);  // below the group
  // The top line: present up to 3 pixels left of the caption, missing from 2
  // pixels left of it to 2 pixels past its trailing blanks, present after.
  EXPECT_EQ(shown.pixel(20 + 5, top), shadow);
  EXPECT_EQ(shown.pixel(20 + 5, top + 1), highlight);
  // (The glyphs stand in the middle; left of them and over the trailing
  // blanks only the picture shows.)
  const int ink_end =
      20 + 8 + QFontMetrics(caption).horizontalAdvance(QString::fromUtf8("Søg på:"));
  for (int x : {20 + 6, 20 + 7}) {
    EXPECT_EQ(shown.pixel(x, top), picture) << x;
    EXPECT_EQ(shown.pixel(x, top + 1), picture) << x;
  }
  ASSERT_GT(caption_end - ink_end, 8);
  for (int x = ink_end + 2; x < caption_end + 2; ++x) {
    EXPECT_EQ(shown.pixel(x, top), picture) << x;
    EXPECT_EQ(shown.pixel(x, top + 1), picture) << x;
  }
  EXPECT_EQ(shown.pixel(caption_end + 2, top), shadow);
  EXPECT_EQ(shown.pixel(caption_end + 2, top + 1), highlight);
  // Inside the frame the picture shows; the caption is white.
  EXPECT_EQ(shown.pixel(100, 80), picture);
  int white = 0;
  for (int y = 30; y < 30 + h; ++y) {
    for (int x = 28; x < caption_end; ++x) white += shown.pixel(x, y) == qRgb(255, 255, 255);
  }
  EXPECT_GT(white, 40);
}

}  // namespace
}  // namespace ui

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
