// The issue builder of the packet generator: lays out the articles of each
// issue of a year in page order, category by category as the magazine prints
// them, and makes every record's title, text and cover-disc list from the
// edition's content bank. Also makes the earlier versions ("drafts") and
// later corrections that give the packets their change history.
//
// What must stay true: pages rise through an issue and every article except
// the cover-disc record has a first and a last page; titles fit 80 characters
// and are unique within a run; every text is Windows-1252 with CR LF lines.
#include <algorithm>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "tools/genpackets.h"

namespace genpackets {
namespace {

constexpr const char* kCrLf = "\r\n";

// The order of an issue and how many articles of each category it carries.
struct PlanEntry {
  Category category;
  int min_count;
  int max_count;
};
constexpr PlanEntry kIssuePlan[] = {
    {kNews, 4, 7},   {kNet, 1, 2},    {kTest, 2, 3},    {kArticle, 2, 4}, {kHowItWorks, 1, 1},
    {kSchool, 1, 2}, {kReview, 4, 8}, {kGallery, 0, 1}, {kAskUs, 1, 3},   {kCoverDisc, 1, 1},
};
constexpr int kPlanSize = static_cast<int>(std::size(kIssuePlan));

// Picks `count` different entries of a pool, filled, in pool order of choice.
std::vector<std::string> PickDistinct(SlotFiller* filler, const std::vector<std::string>& pool,
                                      Rng* rng, int count) {
  std::vector<std::string> out;
  std::set<std::string> seen;
  for (int tries = 0; static_cast<int>(out.size()) < count && tries < count * 20; ++tries) {
    filler->Reset();
    std::string line = filler->Fill(pool[rng->Below(static_cast<uint32_t>(pool.size()))]);
    if (seen.insert(line).second) out.push_back(line);
  }
  return out;
}

const std::vector<std::string>& NamedPool(const EditionContent& content, const std::string& name) {
  if (auto it = content.pools.find(name); it != content.pools.end()) return it->second;
  return CommonPools().at(name);
}

class IssueBuilder {
 public:
  IssueBuilder(const EditionContent& content, Rng* rng) : content_(content), rng_(rng) {
    for (const auto& kind : content.kinds) by_category_[kind.category].push_back(&kind);
    for (int c = 0; c < kCategoryCount; ++c) {
      if (c != kCoverDisc && by_category_[c].empty()) {
        throw std::runtime_error(content.Language() + " content has no kind of category " +
                                 content.edition->categories[c]);
      }
    }
  }

  void AddIssue(int year, int issue, const std::array<int, kPlanSize>& counts,
                std::vector<Article>* out) {
    SlotFiller filler(content_, rng_, year, issue);
    int page = 4 + rng_->Between(0, 2);
    for (int e = 0; e < kPlanSize; ++e) {
      for (int k = 0; k < counts[e]; ++k) {
        const Category category = kIssuePlan[e].category;
        Article a = category == kCoverDisc ? CoverDisc(&filler, year, issue)
                                           : Regular(&filler, category, year, issue, &page);
        out->push_back(std::move(a));
      }
    }
  }

 private:
  Article Regular(SlotFiller* filler, Category category, int year, int issue, int* page) {
    const auto& kinds = by_category_[category];
    const ArticleKind* chosen = nullptr;
    std::string title;
    for (int tries = 0;; ++tries) {
      // The kind is chosen again with every try, so a category whose kinds
      // each have a fixed title per issue (the courses) finds the free one.
      chosen = kinds[rng_->Below(static_cast<uint32_t>(kinds.size()))];
      const ArticleKind& kind = *chosen;
      filler->Reset();
      title = Utf8To1252(
          filler->Fill(kind.titles[rng_->Below(static_cast<uint32_t>(kind.titles.size()))]));
      if (title.size() > 80) {
        throw std::runtime_error(content_.Language() +
                                 " title longer than 80 characters: " + title);
      }
      if (used_titles_.insert(title).second) break;
      // A repeated title is allowed only after many tries, with the issue
      // appended so the list still tells the articles apart.
      if (tries > 40) {
        title += " (" + std::to_string(issue) + "/" + std::to_string(year % 100) + ")";
        used_titles_.insert(title);
        break;
      }
    }
    const ArticleKind& kind = *chosen;
    std::string text = filler->Fill(Pick(kind.intros));
    if (!kind.details.empty()) {
      text += kCrLf;
      const std::string first = Pick(kind.details);
      text += filler->Fill(first);
      if (kind.details.size() > 1 && rng_->Percent(45)) {
        std::string second;
        do second = Pick(kind.details);
        while (second == first);
        text += " " + filler->Fill(second);
      }
    }
    if (!kind.closings.empty() && rng_->Percent(70))
      text += kCrLf + filler->Fill(Pick(kind.closings));

    Article a;
    a.aargang = year;
    a.nummer = issue;
    a.titel = title;
    a.tekst = Utf8To1252(text);
    a.kategori = Utf8To1252(content_.edition->categories[category]);
    const int pages = rng_->Between(kind.min_pages, kind.max_pages);
    a.start_side = *page;
    a.slut_side = *page + pages - 1;
    *page += pages + (rng_->Percent(35) ? rng_->Between(1, 2) : 0);
    if (kind.disc_percent > 0 && rng_->Percent(kind.disc_percent)) {
      a.vprogrammer = Utf8To1252(filler->Fill(kind.disc_pattern));
    }
    return a;
  }

  // The record of the issue's cover disc, as the list import writes it: two
  // headed lists, the title "V-CD  <issue>-<year>" and pages 0.
  Article CoverDisc(SlotFiller* filler, int year, int issue) {
    const std::string when = std::to_string(issue) + "-" + std::to_string(year);
    const auto own = PickDistinct(filler, NamedPool(content_, "vprog"), rng_, rng_->Between(2, 4));
    const auto other = PickDistinct(filler, NamedPool(content_, "disc"), rng_, rng_->Between(3, 7));
    std::string text = content_.edition->cover_disc.programs + when + ":" + kCrLf;
    for (const auto& line : own) text += line + kCrLf;
    text += kCrLf;
    text += content_.edition->cover_disc.also + when + ":" + kCrLf;
    for (const auto& line : other) text += line + kCrLf;
    std::string keywords;
    for (const auto* list : {&own, &other}) {
      for (const auto& line : *list) {
        if (!keywords.empty()) keywords += kCrLf;
        keywords += line;
      }
    }
    Article a;
    a.aargang = year;
    a.nummer = issue;
    // Issues 1 to 12 never sort after "9", so the title has two blanks.
    a.titel = "V-CD  " + when;
    a.tekst = Utf8To1252(text);
    a.kategori = Utf8To1252(content_.edition->categories[kCoverDisc]);
    a.start_side = 0;
    a.slut_side = 0;
    a.vprogrammer = Utf8To1252(keywords);
    return a;
  }

  const std::string& Pick(const std::vector<std::string>& v) {
    return v[rng_->Below(static_cast<uint32_t>(v.size()))];
  }

  const EditionContent& content_;
  Rng* rng_;
  std::array<std::vector<const ArticleKind*>, kCategoryCount> by_category_;
  std::set<std::string> used_titles_;
};

}  // namespace

std::vector<Article> BuildIssues(const EditionContent& content, Rng* rng,
                                 const std::vector<int>& years, std::optional<int> total) {
  const size_t issues = years.size() * 12;
  std::vector<std::array<int, kPlanSize>> counts(issues);
  int sum = 0;
  for (auto& issue : counts) {
    for (int e = 0; e < kPlanSize; ++e) {
      issue[e] = rng->Between(kIssuePlan[e].min_count, kIssuePlan[e].max_count);
      sum += issue[e];
    }
  }
  if (total) {
    int min_sum = 0, max_sum = 0;
    for (const auto& e : kIssuePlan) {
      min_sum += e.min_count;
      max_sum += e.max_count;
    }
    if (*total < min_sum * static_cast<int>(issues) ||
        *total > max_sum * static_cast<int>(issues)) {
      throw std::runtime_error("cannot lay out " + std::to_string(*total) + " articles");
    }
    while (sum != *total) {
      auto& issue = counts[rng->Below(static_cast<uint32_t>(issues))];
      const int e = static_cast<int>(rng->Below(kPlanSize));
      if (sum < *total && issue[e] < kIssuePlan[e].max_count) {
        ++issue[e];
        ++sum;
      } else if (sum > *total && issue[e] > kIssuePlan[e].min_count) {
        --issue[e];
        --sum;
      }
    }
  }
  IssueBuilder builder(content, rng);
  std::vector<Article> out;
  for (size_t i = 0; i < issues; ++i) {
    builder.AddIssue(years[i / 12], static_cast<int>(i % 12) + 1, counts[i], &out);
  }
  return out;
}

Article MakeDraft(const Article& final_version, Rng* rng, int variant) {
  Article draft = final_version;
  switch (variant % 4) {
    case 0:  // page numbers typed wrong
      if (draft.start_side && *draft.start_side > 0) {
        const int shift = rng->Percent(50) ? rng->Between(1, 3) : -rng->Between(1, 2);
        draft.start_side = std::max(1, *draft.start_side + shift);
        draft.slut_side = std::max(*draft.start_side, *draft.slut_side + shift);
        break;
      }
      [[fallthrough]];
    case 1: {  // only the first line of the text entered
      const std::string& text = *draft.tekst;
      const size_t eol = text.find("\r\n");
      if (eol != std::string::npos) {
        draft.tekst = text.substr(0, eol);
        break;
      }
      [[fallthrough]];
    }
    case 2: {  // two neighbouring words of the title typed in the wrong order
      // Words, not letters, so that every word of a draft is still spelt right.
      std::string& title = *draft.titel;
      std::vector<std::pair<size_t, size_t>> words;  // start and length
      for (size_t at = 0; at < title.size();) {
        const size_t end = std::min(title.find(' ', at), title.size());
        words.emplace_back(at, end - at);
        at = end + 1;
      }
      for (size_t w = words.size(); w >= 2; --w) {
        const auto [a_at, a_len] = words[w - 2];
        const auto [b_at, b_len] = words[w - 1];
        const std::string a = title.substr(a_at, a_len), b = title.substr(b_at, b_len);
        if (a.empty() || b.empty() || a == b) continue;
        title.replace(a_at, b_at + b_len - a_at, b + " " + a);
        return draft;
      }
      [[fallthrough]];
    }
    default:  // the last page left out, and no cover-disc note yet
      draft.slut_side = draft.start_side;
      draft.vprogrammer.reset();
      break;
  }
  return draft;
}

Article AddCorrection(const EditionContent& content, Rng* rng, const Article& published) {
  Article corrected = published;
  SlotFiller filler(content, rng, *published.aargang, *published.nummer);
  const auto& lines = content.corrections;
  corrected.tekst = *published.tekst + "\r\n" +
                    Utf8To1252(filler.Fill(lines[rng->Below(static_cast<uint32_t>(lines.size()))]));
  return corrected;
}

}  // namespace genpackets
