// Composing the shared data file's notices (see data_file_notices.h).
#include "app/data_file_notices.h"

#include <QString>
#include <initializer_list>

#include "platform/session.h"
#include "ui/code_page.h"

namespace app {

namespace {

// `pattern` with "%1", "%2", ... replaced by `values` in one pass, so that a
// value holding "%2" stays as it is.
QString Fill(const char* pattern, std::initializer_list<QString> values) {
  const QString text = QString::fromUtf8(pattern);
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const size_t n = static_cast<size_t>(text[i + 1].unicode() - '1');
      if (n < values.size()) {
        out += *(values.begin() + n);
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

QString Name(const std::string& path) { return QString::fromUtf8(ShownFileName(path)); }

}  // namespace

std::string ShownFileName(const std::string& path) {
  if (path.size() > 2 && path[0] == '.' && (path[1] == '/' || path[1] == '\\')) {
    return path.substr(2);
  }
  return path;
}

std::string ConflictNotice(const FileNotices& texts, const store::EDataFileConflict& conflict) {
  const int reason = [&] {
    switch (conflict.Change()) {
      case platform::FileChange::kReplaced:
        return 1;
      case platform::FileChange::kGone:
        return 2;
      case platform::FileChange::kCreated:
        return 3;
      case platform::FileChange::kChanged:
      case platform::FileChange::kUnchanged:
        break;
    }
    return 0;
  }();
  const QString data_file = Name(conflict.DataFile()), copy = Name(conflict.CopyFile());
  const QString text =
      Fill(texts.conflict_reasons[reason], {data_file}) +
      Fill(conflict.Saved() ? texts.conflict_saved : texts.conflict_not_saved, {data_file, copy});
  return ui::ToCp1252(text);
}

std::string OtherEditorNotice(const FileNotices& texts, const std::string& data_file,
                              const platform::EditLockHolder& holder) {
  const QString since =
      holder.since > 0
          ? Fill(texts.since, {QString::fromUtf8(platform::LocalTimeText(holder.since, ':'))})
          : QString();
  QString who = QString::fromUtf8(holder.user);
  if (!holder.host.empty()) {
    if (!who.isEmpty()) who += QString::fromUtf8(texts.on_host);
    who += QString::fromUtf8(holder.host);
  }
  if (!who.isEmpty()) who = " (" + who + ")";
  return ui::ToCp1252(Fill(texts.open_elsewhere, {Name(data_file), since, who}));
}

}  // namespace app
