// One data file kept by several editors, through the store: a close writes
// the file only if it still holds what the open read; otherwise the table's
// data goes to a conflict copy beside it and the close says so. And the edit
// lock that tells a second editor a first one is at work, released by a
// crash. On the real file system in a fresh directory, and on the fake where
// a fault must land at one moment.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "fake_file_system.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "platform/session.h"
#include "store/artikel_data.h"
#include "store/data_file_conflict.h"
#include "table_test_packets.h"

namespace {

namespace fs = std::filesystem;
using platform::FileChange;
using store::EDataFileConflict;
using store::TArtikelData;
using table_test::Art;
using table_test::MakePacket;
using testing_fs::FakeFileSystem;

std::vector<uint8_t> TwoArticles() {
  return MakePacket({Art(2002, 1, "File A", "Spil", 1, 2), Art(2002, 2, "File B", "Spil", 1, 2)});
}

// Changes the title of the first record (in title order) to `title`.
void Retitle(TArtikelData& table, const std::string& title) {
  table.First();
  table.Edit();
  table.FieldByName("TITEL").SetAsString(title);
  table.Post();
}

// Closes `table`, expecting a conflict; returns it.
std::optional<EDataFileConflict> CloseWithConflict(TArtikelData& table) {
  try {
    table.Close();
  } catch (const EDataFileConflict& e) {
    EXPECT_FALSE(table.Active());
    return e;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "not a conflict: " << e.what();
    return std::nullopt;
  }
  ADD_FAILURE() << "the close found no conflict";
  return std::nullopt;
}

class SharedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vregister_shared_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::create_directories(dir_);
    base_ = (dir_ / "Base.xml").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // The titles of the packet at `path`, read by a table of its own: the file
  // is a whole packet.
  std::vector<std::string> Titles(const std::string& path) {
    TArtikelData reader(real_);
    reader.SetFileName(path);
    reader.Open();
    std::vector<std::string> titles;
    for (reader.First(); !reader.Eof(); reader.Next()) {
      titles.push_back(reader.FieldByName("TITEL").AsString());
    }
    return titles;
  }
  // The names in the directory other than Base.xml.
  std::vector<std::string> Others() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path().filename() != "Base.xml") names.push_back(e.path().filename().string());
    }
    return names;
  }

  static inline int counter_ = 0;
  fs::path dir_;
  std::string base_;
  platform::PosixFileSystem real_;
};

// The name a conflict copy of Base.xml gets: the word and the local time of
// the write, to the second.
const std::regex kCopyName(R"(Base \(conflict \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\)\.xml)");

TEST_F(SharedFileTest, SecondCloseKeepsTheFirstAndCopiesItsOwn) {
  Write(base_, TwoArticles());
  TArtikelData a(real_), b(real_);
  for (TArtikelData* t : {&a, &b}) {
    t->SetFileName(base_);
    t->Open();
  }
  Retitle(a, "Anna's title");
  Retitle(b, "Bo's title");
  b.Close();
  std::optional<EDataFileConflict> conflict = CloseWithConflict(a);
  ASSERT_TRUE(conflict);
  EXPECT_EQ(conflict->DataFile(), base_);
  EXPECT_EQ(conflict->Change(), FileChange::kReplaced);
  EXPECT_TRUE(conflict->Saved());
  const fs::path copy = conflict->CopyFile();
  EXPECT_EQ(copy.parent_path(), dir_);
  EXPECT_TRUE(std::regex_match(copy.filename().string(), kCopyName)) << copy;
  EXPECT_EQ(std::string(conflict->what()),
            "ArtikelData: " + base_ +
                " was replaced by another file since the table was opened and was not "
                "overwritten; this data was written to " +
                copy.string());
  // Both whole: the file holds Bo's version, the copy Anna's; nothing else.
  EXPECT_EQ(Titles(base_), (std::vector<std::string>{"Bo's title", "File B"}));
  EXPECT_EQ(Titles(copy.string()), (std::vector<std::string>{"Anna's title", "File B"}));
  EXPECT_EQ(Others(), std::vector<std::string>{copy.filename().string()});
}

TEST_F(SharedFileTest, CloseAfterAnotherThatChangedNothingReplacesTheFile) {
  Write(base_, TwoArticles());
  TArtikelData a(real_), b(real_);
  for (TArtikelData* t : {&a, &b}) {
    t->SetFileName(base_);
    t->Open();
  }
  Retitle(a, "Anna's title");
  b.Close();  // nothing changed: nothing written
  a.Close();
  EXPECT_EQ(Titles(base_), (std::vector<std::string>{"Anna's title", "File B"}));
  EXPECT_TRUE(Others().empty());
}

// What another program does to the file between the table's open and its
// close, and whether the close may still replace it.
struct Meddling {
  const char* what;
  bool file_at_open;
  std::function<void(const std::string& path, const std::vector<uint8_t>& other)> act;
  FileChange change;  // kUnchanged: the close replaces the file as always
};

TEST_F(SharedFileTest, FileChangedBetweenOpenAndCloseIsNotOverwritten) {
  const std::vector<uint8_t> other = MakePacket({Art(1999, 9, "Someone else's", "Spil", 1, 1)});
  auto write_file = [this](const std::string& path, const std::vector<uint8_t>& bytes) {
    Write(path, bytes);
  };
  const Meddling cases[] = {
      {"replaced by another file", true,
       [&](const std::string& path, const std::vector<uint8_t>& bytes) {
         write_file(path + ".new", bytes);
         fs::rename(path + ".new", path);
       },
       FileChange::kReplaced},
      {"written over in place", true, write_file, FileChange::kChanged},
      {"truncated", true, [](const std::string& path, auto&) { fs::resize_file(path, 100); },
       FileChange::kChanged},
      {"truncated to nothing", true,
       [](const std::string& path, auto&) { fs::resize_file(path, 0); }, FileChange::kChanged},
      {"removed", true, [](const std::string& path, auto&) { fs::remove(path); },
       FileChange::kGone},
      {"a directory in its place", true,
       [](const std::string& path, auto&) {
         fs::remove(path);
         fs::create_directory(path);
       },
       FileChange::kGone},
      {"made where there was none", false, write_file, FileChange::kCreated},
      // Not changes: nothing of anyone's would be lost.
      {"touched", true,
       [](const std::string& path, auto&) {
         fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
       },
       FileChange::kUnchanged},
      {"put back with the same bytes", true,
       [&](const std::string& path, auto&) {
         fs::copy_file(path, path + ".same");
         fs::rename(path + ".same", path);
       },
       FileChange::kUnchanged},
      {"still missing", false, [](const std::string&, auto&) {}, FileChange::kUnchanged},
  };
  for (const Meddling& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    if (c.file_at_open) Write(base_, TwoArticles());
    TArtikelData table(real_);
    table.SetData(TwoArticles());
    table.SetFileName(base_);
    table.Open();
    Retitle(table, "Mine");
    const std::string before = fs::exists(base_) ? Read(base_) : "";
    c.act(base_, other);
    const bool was_file = fs::is_regular_file(base_);
    const std::string meddled = was_file ? Read(base_) : "";
    if (c.change == FileChange::kUnchanged) {
      table.Close();
      EXPECT_EQ(Titles(base_), (std::vector<std::string>{"File B", "Mine"}));
      EXPECT_TRUE(Others().empty());
      continue;
    }
    std::optional<EDataFileConflict> conflict = CloseWithConflict(table);
    ASSERT_TRUE(conflict);
    EXPECT_EQ(conflict->Change(), c.change);
    EXPECT_TRUE(conflict->Saved());
    // The file stays as the other program left it; the copy holds the table's.
    EXPECT_EQ(fs::is_regular_file(base_), was_file);
    if (was_file) {
      EXPECT_EQ(Read(base_), meddled);
    }
    EXPECT_TRUE(std::regex_match(fs::path(conflict->CopyFile()).filename().string(), kCopyName));
    EXPECT_EQ(Titles(conflict->CopyFile()), (std::vector<std::string>{"File B", "Mine"}));
    EXPECT_EQ(Others().size(), 1u);
  }
}

// ---- Moments and faults on the fake ----

constexpr char kBase[] = "./Base.xml";

class SharedFakeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.Put(kBase, TwoArticles());
    table_.SetFileName(kBase);
    table_.Open();
    Retitle(table_, "Mine");
  }
  std::string CopyName(int attempt) {
    return platform::ConflictCopyName(kBase, "conflict",
                                      platform::LocalTimeText(fs_.session.now, '.'), attempt);
  }
  FakeFileSystem fs_;
  TArtikelData table_{fs_};
};

TEST_F(SharedFakeTest, FileWrittenWhileTheCloseWritesIsNotOverwritten) {
  // The check just before the rename sees what the first one could not.
  const std::vector<uint8_t> other = MakePacket({Art(1999, 9, "Theirs", "Spil", 1, 1)});
  fs_.during_write = [&] { fs_.Put(kBase, other); };
  std::optional<EDataFileConflict> conflict = CloseWithConflict(table_);
  ASSERT_TRUE(conflict);
  EXPECT_EQ(conflict->Change(), FileChange::kChanged);
  EXPECT_EQ(conflict->CopyFile(), CopyName(1));
  EXPECT_EQ(fs_.Bytes(kBase), other);
  EXPECT_TRUE(fs_.Has(CopyName(1)));
  EXPECT_TRUE(fs_.Temps().empty());
}

TEST_F(SharedFakeTest, CopyNameThatIsTakenIsPassedOver) {
  fs_.Put(kBase, MakePacket({Art(1999, 9, "Theirs", "Spil", 1, 1)}));
  fs_.Put(CopyName(1), std::string("an earlier conflict"));
  std::optional<EDataFileConflict> conflict = CloseWithConflict(table_);
  ASSERT_TRUE(conflict);
  EXPECT_EQ(conflict->CopyFile(), CopyName(2));
  EXPECT_EQ(CopyName(2),
            "./Base (conflict " + platform::LocalTimeText(fs_.session.now, '.') + " 2).xml");
  EXPECT_EQ(std::string(fs_.Bytes(CopyName(1)).begin(), fs_.Bytes(CopyName(1)).end()),
            "an earlier conflict");
}

TEST_F(SharedFakeTest, CopyThatCannotBeWrittenIsReported) {
  const std::vector<uint8_t> other = MakePacket({Art(1999, 9, "Theirs", "Spil", 1, 1)});
  fs_.Put(kBase, other);
  fs_.read_only_dir = true;
  std::optional<EDataFileConflict> conflict = CloseWithConflict(table_);
  ASSERT_TRUE(conflict);
  EXPECT_FALSE(conflict->Saved());
  EXPECT_EQ(conflict->CopyFile(), CopyName(1));
  EXPECT_EQ(std::string(conflict->what()),
            "ArtikelData: ./Base.xml was changed by someone else since the table was opened and "
            "was not overwritten; this data could not be written to " +
                CopyName(1) + " (cannot create a file beside ./Base.xml: Permission denied)");
  EXPECT_EQ(fs_.Bytes(kBase), other);
  EXPECT_EQ(fs_.files.size(), 1u);
  EXPECT_TRUE(table_.HasHeldPacket());  // the unwritten data stays held
}

// ---- The edit lock ----

TEST_F(SharedFileTest, SecondEditorLearnsWhoHoldsTheFile) {
  Write(base_, TwoArticles());
  TArtikelData reader(real_), first(real_), second(real_), third(real_);
  reader.SetFileName(base_);
  reader.Open();  // the reader's build never locks
  for (TArtikelData* t : {&first, &second}) {
    t->FileGuard().SetEditLocking(true);
    t->SetFileName(base_);
    t->Open();
  }
  EXPECT_FALSE(first.FileGuard().OtherEditor());
  ASSERT_TRUE(second.FileGuard().OtherEditor());
  const platform::Session me = platform::SystemSession();
  EXPECT_EQ(second.FileGuard().OtherEditor()->user, me.user);
  EXPECT_EQ(second.FileGuard().OtherEditor()->host, me.host);
  EXPECT_NEAR(static_cast<double>(second.FileGuard().OtherEditor()->since),
              static_cast<double>(me.now), 60.0);
  // The first editor closes: a third finds the file free, and no lock file
  // is left behind once that one closes too.
  first.Close();
  third.SetFileName(base_);
  third.Open();
  third.FileGuard().SetEditLocking(true);
  EXPECT_FALSE(third.FileGuard().OtherEditor());
  third.Close();
  second.Close();
  reader.Close();
  EXPECT_TRUE(Others().empty());
}

TEST_F(SharedFileTest, EditLockOfAKilledEditorIsFree) {
  Write(base_, TwoArticles());
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    platform::PosixFileSystem own;
    platform::IFileSystem::Handle lock;
    platform::EditLockHolder holder;
    const bool taken = own.TakeEditLock(base_, &lock, &holder) == platform::EditLockOutcome::kTaken;
    (void)!::write(ready[1], taken ? "1" : "0", 1);
    ::pause();
    ::_exit(0);
  }
  char taken = 0;
  ASSERT_EQ(::read(ready[0], &taken, 1), 1);
  EXPECT_EQ(taken, '1');
  platform::IFileSystem::Handle lock;
  platform::EditLockHolder holder;
  EXPECT_EQ(real_.TakeEditLock(base_, &lock, &holder), platform::EditLockOutcome::kHeldElsewhere);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  // The crash left its lock file, but not its lock.
  EXPECT_EQ(Others(), std::vector<std::string>{".Base.xml.lock"});
  ASSERT_EQ(real_.TakeEditLock(base_, &lock, &holder), platform::EditLockOutcome::kTaken);
  real_.ReleaseEditLock(lock);
  EXPECT_TRUE(Others().empty());
  ::close(ready[0]);
  ::close(ready[1]);
}

}  // namespace
