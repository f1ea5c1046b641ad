// The search inputs as the reader meets them: which of the reader's and the
// code's actions raise the selection and change events the window filters on,
// the start page field's value and text, and the screen size report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "platform/screen.h"
#include "store/db_error.h"
#include "ui/styled_combo_box.h"
#include "ui/styled_edit.h"
#include "ui/styled_spin_edit.h"
#include "ui/styled_sys_info.h"

namespace ui {
namespace {

class ComboTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<QWidget>();
    window_->resize(300, 200);
    combo_ = new TStyledComboBox(window_.get());
    combo_->SetItems({"Alle", "2001", "2002"});
    combo_->SetText("Alle");
    combo_->setGeometry(10, 10, 129, 24);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    combo_->setFocus();
    spy_ = std::make_unique<QSignalSpy>(combo_, &TStyledComboBox::OnSelect);
  }
  // The text at every OnSelect, in order.
  QStringList texts_;
  std::unique_ptr<QWidget> window_;
  TStyledComboBox* combo_ = nullptr;
  std::unique_ptr<QSignalSpy> spy_;
};

TEST_F(ComboTest, ArrowKeysSelectOncePerMoveWithTheTextAlreadySet) {
  QObject::connect(combo_, &TStyledComboBox::OnSelect, [this] { texts_ << combo_->Text(); });
  QTest::keyClick(combo_, Qt::Key_Down);
  QTest::keyClick(combo_, Qt::Key_Down);
  QTest::keyClick(combo_, Qt::Key_Down);  // at the last entry: no move, no event
  QTest::keyClick(combo_, Qt::Key_Up);
  EXPECT_EQ(texts_, (QStringList{"2001", "2002", "2001"}));
}

TEST_F(ComboTest, ArrowKeysInTheOpenListSelectToo) {
  QObject::connect(combo_, &TStyledComboBox::OnSelect, [this] { texts_ << combo_->Text(); });
  combo_->showPopup();
  ASSERT_TRUE(combo_->view()->isVisible());
  QTest::keyClick(combo_->view(), Qt::Key_Down);
  QTest::keyClick(combo_->view(), Qt::Key_Down);
  EXPECT_EQ(texts_, (QStringList{"2001", "2002"}));
  EXPECT_EQ(combo_->Text(), "2002");
}

TEST_F(ComboTest, AClickOnAnEntryOfTheOpenListSelects) {
  QObject::connect(combo_, &TStyledComboBox::OnSelect, [this] { texts_ << combo_->Text(); });
  for (int row : {2, 0}) {
    combo_->showPopup();
    ASSERT_TRUE(combo_->view()->isVisible());
    const QRect r = combo_->view()->visualRect(combo_->model()->index(row, 0));
    QTest::mouseClick(combo_->view()->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_FALSE(combo_->view()->isVisible());
  }
  EXPECT_EQ(texts_, (QStringList{"2002", "Alle"}));
}

TEST_F(ComboTest, TypingAndLeavingRaiseNothingAndKeepTheTypedText) {
  combo_->lineEdit()->selectAll();
  QTest::keyClicks(combo_, "2003");
  QTest::keyClick(combo_, Qt::Key_Return);
  combo_->clearFocus();
  EXPECT_EQ(combo_->Text(), "2003");
  // Typed text matching an entry, then the focus leaves: still nothing.
  combo_->setFocus();
  combo_->lineEdit()->selectAll();
  QTest::keyClicks(combo_, "2001");
  combo_->clearFocus();
  EXPECT_EQ(spy_->count(), 0);
  EXPECT_EQ(combo_->Text(), "2001");
}

TEST_F(ComboTest, CodeSettingTextOrEntriesRaisesNothing) {
  combo_->SetText("2002");
  combo_->setCurrentIndex(1);
  combo_->SetItems({"Alla", "2001"});
  combo_->SetText("Alla");
  EXPECT_EQ(spy_->count(), 0);
  EXPECT_EQ(combo_->Text(), "Alla");
  EXPECT_EQ(combo_->count(), 2);
}

TEST_F(ComboTest, WheelChangesNothing) {
  QWheelEvent wheel(QPointF(5, 5), combo_->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(combo_, &wheel);
  EXPECT_EQ(spy_->count(), 0);
  EXPECT_EQ(combo_->Text(), "Alle");
}

TEST(EditTest, ChangeAfterEveryChangeOfTextNotForTheSameText) {
  QWidget window;
  auto* edit = new TStyledEdit(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  edit->setFocus();
  QStringList texts;
  QObject::connect(edit, &TStyledEdit::OnChange, [&] { texts << edit->Text(); });
  QTest::keyClicks(edit, "spil");
  QTest::keyClick(edit, Qt::Key_Backspace);
  edit->SetText("net");
  edit->SetText("net");  // the same text: nothing
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);  // the last characters deleted
  EXPECT_EQ(texts, (QStringList{"s", "sp", "spi", "spil", "spi", "net", ""}));
  EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(QApplication::cursorFlashTime(), 1060);  // 530 ms on, 530 ms off
}

TEST(SpinEditTest, ValueAndTextAreKeptApart) {
  struct Case {
    double set;
    double value;
    const char* text;
  };
  // From a fresh edit (value 0, empty text), one setting each.
  const Case cases[] = {
      {0, 0, ""},         // the held value again: the text stays empty
      {250, 100, "100"},  // lowered to the maximum
      {-5, 0, "0"},       // raised to the minimum
      {37, 37, "37"},    {100, 100, "100"}, {37.9, 37.9, "37"},
  };
  for (const Case& c : cases) {
    TStyledSpinEdit edit;
    edit.SetMaxValue(100);
    EXPECT_EQ(edit.Text(), "");
    edit.SetValue(c.set);
    EXPECT_EQ(edit.Value(), c.value) << c.set;
    EXPECT_EQ(edit.Text(), c.text) << c.set;
    EXPECT_EQ(edit.AsInteger(), QString(c.text).isEmpty() ? 0 : QString(c.text).toInt()) << c.set;
  }
}

TEST(SpinEditTest, KeysStepWithinTheBounds) {
  QWidget window;
  auto* edit = new TStyledSpinEdit(&window);
  edit->SetMaxValue(100);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->Text(), "1");
  QTest::keyClick(edit, Qt::Key_PageUp);
  EXPECT_EQ(edit->Text(), "11");
  QTest::keyClick(edit, Qt::Key_PageDown);
  QTest::keyClick(edit, Qt::Key_PageDown);
  EXPECT_EQ(edit->Text(), "0");
  edit->selectAll();
  QTest::keyClicks(edit, "95x");  // the letter is refused
  EXPECT_EQ(edit->Text(), "95");
  QTest::keyClick(edit, Qt::Key_PageUp);
  EXPECT_EQ(edit->Text(), "100");
  edit->clearFocus();  // leaving keeps the text as typed
  EXPECT_EQ(edit->AsInteger(), 100);
}

TEST(SpinEditTest, ReadingAnIntegerOfAnotherTypeIsRefused) {
  TStyledSpinEdit edit;
  edit.SetEditType(TStyledSpinEdit::TEditType::kFloat);
  try {
    edit.AsInteger();
    FAIL() << "no error";
  } catch (const store::EConvertError& e) {
    EXPECT_STREQ(e.what(), "No integer entered");
  }
}

TEST(SysInfoTest, AsksTheScreenAtEachRead) {
  platform::FixedScreen screen(1024, 768);
  TStyledSysInfo info(screen);
  EXPECT_EQ(info.ScreenWidth(), 1024);
  EXPECT_EQ(info.ScreenHeight(), 768);
  screen.Set(1920, 1080);
  EXPECT_EQ(info.ScreenWidth(), 1920);
  EXPECT_EQ(info.ScreenHeight(), 1080);
  // The system's primary screen: the offscreen platform has one.
  TStyledSysInfo system(platform::SystemScreen());
  EXPECT_GT(system.ScreenWidth(), 0);
  EXPECT_GT(system.ScreenHeight(), 0);
}

}  // namespace
}  // namespace ui

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
