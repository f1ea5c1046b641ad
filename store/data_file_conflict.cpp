// The conflict's plain message (see data_file_conflict.h).
#include "store/data_file_conflict.h"

namespace store {

namespace {

std::string What(platform::FileChange change) {
  switch (change) {
    case platform::FileChange::kReplaced:
      return " was replaced by another file";
    case platform::FileChange::kGone:
      return " was removed";
    case platform::FileChange::kCreated:
      return " was created by someone else";
    case platform::FileChange::kChanged:
    case platform::FileChange::kUnchanged:
      break;
  }
  return " was changed by someone else";
}

std::string Message(const std::string& table_name, const std::string& data_file,
                    const std::string& copy_file, platform::FileChange change, bool saved,
                    const std::string& reason) {
  std::string text = table_name + ": " + data_file + What(change) +
                     " since the table was opened and was not overwritten; ";
  if (saved) return text + "this data was written to " + copy_file;
  return text + "this data could not be written to " + copy_file +
         (reason.empty() ? "" : " (" + reason + ")");
}

}  // namespace

EDataFileConflict::EDataFileConflict(const std::string& table_name, std::string data_file,
                                     std::string copy_file, platform::FileChange change, bool saved,
                                     const std::string& reason)
    : EDatabaseError(Message(table_name, data_file, copy_file, change, saved, reason)),
      data_file_(std::move(data_file)),
      copy_file_(std::move(copy_file)),
      change_(change),
      saved_(saved) {}

}  // namespace store
