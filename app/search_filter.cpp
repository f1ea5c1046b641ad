// Composing the search filter's text (see search_filter.h).
#include "app/search_filter.h"

namespace app {
namespace {

// The fixed pieces of the filter text.
constexpr std::string_view kWordOpening = "(";
constexpr std::string_view kWordLike = " LIKE '%";
constexpr std::string_view kWordMiddle = "%' or ";
constexpr std::string_view kWordClosing = "%')";
constexpr std::string_view kJoiner = " and ";
constexpr std::string_view kListClosing = "'";

struct ListCondition {
  std::string SearchInputs::*text;
  std::string_view opening;
};
// The lists in the order their conditions are appended.
constexpr ListCondition kListConditions[] = {
    {&SearchInputs::aargang, "Aargang = '"},
    {&SearchInputs::nummer, "Nummer = '"},
    {&SearchInputs::kategori, "KATEGORI = '"},
};

}  // namespace

std::string ComposeFilter(const SearchInputs& inputs, std::string_view alle_ord) {
  std::string f;
  const std::string& w = inputs.tekstord;
  if (!w.empty()) {
    f.append(kWordOpening).append(kWordFields[0]).append(kWordLike).append(w);
    f.append(kWordMiddle).append(kWordFields[1]).append(kWordLike).append(w).append(kWordClosing);
  }
  for (const ListCondition& list : kListConditions) {
    const std::string& t = inputs.*list.text;
    if (t.empty() || t == alle_ord) continue;
    if (!f.empty()) f.append(kJoiner);
    f.append(list.opening).append(t).append(kListClosing);
  }
  return f;
}

}  // namespace app
