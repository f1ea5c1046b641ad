// The editors' build's notices about a shared data file in an edition's
// words: the conflict a close found (store::EDataFileConflict) and another
// editor at work on the file just opened. The texts come from the edition
// table (app/edition.h); the results are Windows-1252, as the message box
// takes them.
#pragma once

#include <string>

#include "app/edition.h"
#include "platform/file_system.h"
#include "store/data_file_conflict.h"

namespace app {

std::string ConflictNotice(const FileNotices& texts, const store::EDataFileConflict& conflict);

std::string OtherEditorNotice(const FileNotices& texts, const std::string& data_file,
                              const platform::EditLockHolder& holder);

// A file name as the editor knows it: without the "./" of the working
// directory.
std::string ShownFileName(const std::string& path);

}  // namespace app
