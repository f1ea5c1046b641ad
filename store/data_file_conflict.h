// EDataFileConflict: a close found its data file written by someone else
// since the open, left it as it was, and put this table's data in a copy
// beside it (or could not). It carries the file names and the reason, so that
// the window can say it in the edition's language; its own message is the
// plain English one that a tool without editions shows.
#pragma once

#include <string>

#include "platform/file_version.h"
#include "store/db_error.h"

namespace store {

class EDataFileConflict : public EDatabaseError {
 public:
  EDataFileConflict(const std::string& table_name, std::string data_file, std::string copy_file,
                    platform::FileChange change, bool saved, const std::string& reason);

  const std::string& DataFile() const { return data_file_; }
  // The copy that holds this table's data (when Saved()), or the one that
  // could not be written.
  const std::string& CopyFile() const { return copy_file_; }
  platform::FileChange Change() const { return change_; }
  bool Saved() const { return saved_; }

 private:
  std::string data_file_;
  std::string copy_file_;
  platform::FileChange change_;
  bool saved_;
};

}  // namespace store
