// ArticleFilterHost: kArticleFields as FilterFieldInfo, looked up by name.
#include "store/article_filter_host.h"

#include "engine/text_fold.h"
#include "store/article_schema.h"
#include "store/db_error.h"
#include "store/message_format.h"
#include "store/store_messages.h"

namespace store {

ArticleFilterHost::ArticleFilterHost() {
  for (const ArticleFieldSpec& f : kArticleFields) Add(f.name, f.number, f.type, f.size, f.kind);
}

ArticleFilterHost::ArticleFilterHost(std::vector<FilterFieldInfo> data_fields)
    : fields_(std::move(data_fields)) {
  for (const ArticleFieldSpec& f : kArticleFields) {
    if (f.kind != FieldKind::kData) Add(f.name, f.number, f.type, f.size, f.kind);
  }
}

void ArticleFilterHost::Add(std::string name, int number, TFieldType type, int size,
                            FieldKind kind) {
  fields_.push_back({std::move(name), number, type, size, kind});
}

FilterFieldInfo ArticleFilterHost::FieldByNameForFilter(std::string_view name) const {
  for (const FilterFieldInfo& f : fields_) {
    if (engine::EqualsIgnoreAsciiCase(f.name, name)) return f;
  }
  throw EDatabaseError(
      Format(messages::kTableMessage, kArticleTableName, Format(messages::kFieldNotFound, name)));
}

}  // namespace store
