// Two editors on one data file, as they meet it in the editors' build on the
// real window: the second is told at once that the first has the file open;
// a close (of the window, or of one edition's file at the edition switch)
// that finds the file written by someone else leaves it alone, puts the
// editor's data in a copy beside it and says so in the edition's language.
#include <QApplication>
#include <filesystem>
#include <regex>

#include "app/editor_configuration.h"
#include "maintenance_window.h"
#include "platform/session.h"
#include "ui/code_page.h"

namespace app {
namespace {

class SharedFileRun : public MaintenanceWindow {
 protected:
  void SetUp() override {
    MaintenanceWindow::SetUp();
    SetNoticeSink([this](const std::string&, const std::string& text) {
      notices_.push_back(ui::FromCp1252(text).toStdString());
    });
  }
  void TearDown() override {
    second_.reset();
    MaintenanceWindow::TearDown();
    ResetNoticeSink();
  }
  TVRegister& StartEditor(uint32_t lcid) {
    TVRegister& w = Start(lcid);
    ApplyEditorConfiguration(w);
    QApplication::processEvents();
    return w;
  }
  // A second editors' build, in the same working directory.
  TVRegister& StartSecondEditor() {
    second_ = std::make_unique<TVRegister>(*locale_, platform::DefaultFileSystem(), *profiles_);
    ApplyEditorConfiguration(*second_);
    return *second_;
  }
  void ChangeTheFirstTitle(TVRegister& w, const char* title) {
    w.ArtikelData->First();
    w.ArtikelData->Edit();
    w.ArtikelData->FieldByName("TITEL").SetAsString(title);
    w.ArtikelData->Post();
  }
  // The conflict copies of `stem` in the working directory.
  std::vector<std::string> Copies(const std::string& stem) {
    const std::regex name(stem + R"( \(konflikt \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\)\.xml)");
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      if (std::regex_match(e.path().filename().string(), name)) {
        found.push_back(e.path().filename().string());
      }
    }
    return found;
  }
  std::string Utf8(const std::string& cp1252) { return ui::FromCp1252(cp1252).toStdString(); }

  std::unique_ptr<TVRegister> second_;
  std::vector<std::string> notices_;
};

TEST_F(SharedFileRun, SecondEditorIsToldAtOnceInTheEditionsLanguage) {
  const platform::Session me = platform::SystemSession();
  struct Case {
    uint32_t lcid;
    const char* file;
    std::string notice;  // after the time
  } cases[] = {
      {0x0406, "Base.xml", " (" + me.user + " på " + me.host + ")."},
      {0x040B, "BaseFi.xml", " alkaen (" + me.user + ", " + me.host + ")."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    WriteFile(c.file, EditionXml(ThreeArticles()));
    notices_.clear();
    StartEditor(c.lcid);
    const int64_t opened = platform::SystemSession().now;
    EXPECT_TRUE(notices_.empty());
    StartSecondEditor();
    ASSERT_EQ(notices_.size(), 1u);
    // The first editor took the lock within this second or the one before.
    const std::string at_open = platform::LocalTimeText(opened, ':');
    const std::string a_second_before = platform::LocalTimeText(opened - 1, ':');
    const std::string danish = std::string(c.file) + " er åben hos en anden redaktør siden ";
    const std::string finnish =
        "Tiedosto " + std::string(c.file) + " on auki toisella toimittajalla ";
    const std::string start = c.lcid == 0x0406 ? danish : finnish;
    EXPECT_TRUE(notices_[0] == start + at_open + c.notice ||
                notices_[0] == start + a_second_before + c.notice)
        << notices_[0];
    // The second editor goes on: its window works on the same data.
    EXPECT_TRUE(second_->ArtikelData->Active());
    EXPECT_EQ(second_->ArtikelData->RecordCount(), 3);
    EXPECT_TRUE(errors_.empty());
    second_.reset();
    window_.reset();
  }
}

TEST_F(SharedFileRun, ClosingAfterAnotherEditorSavedKeepsBoth) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  TVRegister& first = StartEditor(0x0406);
  TVRegister& second = StartSecondEditor();
  ChangeTheFirstTitle(first, "Annas titel");
  ChangeTheFirstTitle(second, "Bos titel");
  second_->close();
  second_.reset();  // the file now holds Bo's title
  const std::string bos = ReadFile("Base.xml");
  ASSERT_NE(bos.find("Bos titel"), std::string::npos);
  (void)second;
  window_->close();
  QApplication::processEvents();
  window_.reset();
  EXPECT_EQ(ReadFile("Base.xml"), bos);
  const std::vector<std::string> copies = Copies("Base");
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_NE(ReadFile(copies[0]).find("Annas titel"), std::string::npos);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(Utf8(errors_[0]),
            "Base.xml er blevet erstattet af en anden fil, siden den blev åbnet. Intet er "
            "overskrevet; dine ændringer er gemt i " +
                copies[0] + ".");
}

TEST_F(SharedFileRun, EditionSwitchKeepsTheFileAnotherEditorWrote) {
  WriteFile("Base.xml", EditionXml(ThreeArticles()));
  WriteFile("BaseNo.xml", EditionXml(ThreeArticles()));
  TVRegister& w = StartEditor(0x0406);
  ChangeTheFirstTitle(w, "Annas titel");
  // Another program writes the Danish file in place meanwhile.
  const std::string theirs = EditionXml({ThreeArticles()[0]});
  {
    std::ofstream out(dir_ / "Base.xml", std::ios::binary | std::ios::in);
    out << theirs;
  }
  std::filesystem::resize_file(dir_ / "Base.xml", theirs.size());
  w.NytSprogClick();
  EXPECT_EQ(ReadFile("Base.xml"), theirs);
  const std::vector<std::string> copies = Copies("Base");
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_NE(ReadFile(copies[0]).find("Annas titel"), std::string::npos);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(Utf8(errors_[0]),
            "Base.xml er blevet ændret af en anden, siden den blev åbnet. Intet er overskrevet; "
            "dine ændringer er gemt i " +
                copies[0] + ".");
  // The switch went on to the Norwegian edition's file.
  EXPECT_EQ(w.ArtikelData->FileName(), "./BaseNo.xml");
  EXPECT_TRUE(w.ArtikelData->Active());
  EXPECT_EQ(w.Afslut->text().toStdString(), "Avslutt");
}

}  // namespace
}  // namespace app
