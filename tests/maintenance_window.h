// A main window on a small edition file in a fresh working directory, for
// the tests of the maintenance commands and the editor build: errors and
// questions are recorded instead of shown, and the answer to the delete
// question is the test's.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/application_title.h"
#include "app/error_display.h"
#include "app/indeks_base.h"
#include "platform/drive_types.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/profile_file.h"

namespace app {

inline std::string ArticleRow(const std::string& attrs) {
  return "  <ROW RowState=\"4\" " + attrs + "/>\n";
}

// An edition file in the XML form with the given rows.
inline std::string EditionXml(const std::vector<std::string>& rows) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\n"
      "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
      "<FIELD attrname=\"Aargang\" fieldtype=\"i4\"/>"
      "<FIELD attrname=\"Nummer\" fieldtype=\"i4\"/>"
      "<FIELD attrname=\"Titel\" fieldtype=\"string\" WIDTH=\"80\"/>"
      "<FIELD attrname=\"Tekst\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
      "<FIELD attrname=\"Kategori\" fieldtype=\"string\" WIDTH=\"20\"/>"
      "<FIELD attrname=\"StartSide\" fieldtype=\"i4\"/>"
      "<FIELD attrname=\"SlutSide\" fieldtype=\"i4\"/>"
      "<FIELD attrname=\"VProgrammer\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
      "</FIELDS><PARAMS/></METADATA><ROWDATA>\n";
  for (const auto& r : rows) xml += r;
  xml += "</ROWDATA></DATAPACKET>\n";
  return xml;
}

// Three articles; sorted by title: "Automatisk backup", "Printere i test",
// "Rod i teksten".
inline std::vector<std::string> ThreeArticles() {
  return {
      ArticleRow("Aargang=\"2001\" Nummer=\"3\" Titel=\"Printere i test\" Tekst=\"Seks printere\" "
                 "Kategori=\"Vexor test\" StartSide=\"12\" SlutSide=\"15\""),
      ArticleRow("Aargang=\"2001\" Nummer=\"1\" Titel=\"Automatisk backup\" Tekst=\"Sikkerhed\" "
                 "Kategori=\"Artikel\" StartSide=\"20\" SlutSide=\"20\" VProgrammer=\"backup\""),
      ArticleRow("Aargang=\"2002\" Nummer=\"4\" Titel=\"Rod i teksten&#13;&#10;\" "
                 "Tekst=\"Linje-&#13;&#10;skift&#13;&#10;&#13;&#10;her&#13;&#10;\" "
                 "Kategori=\"Artikel\" StartSide=\"8\" SlutSide=\"9\" "
                 "VProgrammer=\"ord&#13;&#10;flere&#13;&#10;\""),
  };
}

class MaintenanceWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("vregister_maint_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
    SetErrorSink([this](const std::string&, const std::string& text) { errors_.push_back(text); });
    SetApplicationTitle("Vregister");
  }
  void TearDown() override {
    window_.reset();
    ResetErrorSink();
    std::filesystem::current_path(old_dir_);
    std::filesystem::remove_all(dir_);
  }

  void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories((dir_ / path).parent_path());
    std::ofstream(dir_ / path, std::ios::binary) << bytes;
  }
  std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(dir_ / path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  // Starts the window in the edition of `lcid` with the recorded question box
  // and the test's drives. The settings file lives in the working directory.
  TVRegister& Start(uint32_t lcid = 0x0406) {
    locale_ = std::make_unique<platform::FixedLocale>(lcid);
    profiles_ = std::make_unique<platform::ProfileFiles>(platform::DefaultFileSystem(), dir_);
    window_ = std::make_unique<TVRegister>(*locale_, platform::DefaultFileSystem(), *profiles_);
    window_->SetQuestionBox([this](const std::string& text, const std::string& caption) {
      questions_.push_back(caption + "|" + text);
      return answer_yes_;
    });
    window_->SetDriveTypes(drives_);
    window_->show();
    QApplication::processEvents();
    return *window_;
  }

  // Sets a search list's text as code does (no selection event).
  static void SetList(ui::TStyledComboBox* list, const char* text) {
    list->SetText(QString::fromLatin1(text));
  }

  store::TableField& F(const char* name) { return window_->ArtikelData->FieldByName(name); }

  static inline int counter_ = 0;
  std::filesystem::path old_dir_, dir_;
  std::unique_ptr<platform::FixedLocale> locale_;
  std::unique_ptr<platform::ProfileFiles> profiles_;
  std::unique_ptr<TVRegister> window_;
  platform::FakeDrives drives_;
  std::vector<std::string> errors_;
  std::vector<std::string> questions_;
  bool answer_yes_ = true;
};

}  // namespace app
