// The conflict's plain message (see data_file_conflict.h).
#include "store/data_file_conflict.h"

#include "store/message_format.h"
#include "store/store_messages.h"

namespace store {

namespace {

const char* What(platform::FileChange change) {
  switch (change) {
    case platform::FileChange::kReplaced:
      return messages::kFileReplaced;
    case platform::FileChange::kGone:
      return messages::kFileRemoved;
    case platform::FileChange::kCreated:
      return messages::kFileCreated;
    case platform::FileChange::kChanged:
    case platform::FileChange::kUnchanged:
      break;
  }
  return messages::kFileChanged;
}

std::string Message(const std::string& table_name, const std::string& data_file,
                    const std::string& copy_file, platform::FileChange change, bool saved,
                    const std::string& reason) {
  const std::string text =
      saved ? Format(messages::kConflictSaved, data_file, What(change), copy_file)
            : Format(messages::kConflictNotSaved, data_file, What(change), copy_file,
                     reason.empty() ? std::string() : Format(messages::kConflictReason, reason));
  return Format(messages::kTableMessage, table_name, text);
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
