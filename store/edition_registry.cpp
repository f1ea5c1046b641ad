// The registry of editions (see edition_registry.h): the shipped table plus
// the copies the live registrations hold.
#include "store/edition_registry.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "store/editions.h"

namespace store {
namespace {

std::vector<const Edition*>& Registered() {
  static std::vector<const Edition*> registered;
  return registered;
}

}  // namespace

std::vector<const Edition*> Editions() {
  std::vector<const Edition*> all;
  all.reserve(std::size(kEditions) + Registered().size());
  for (const Edition& e : kEditions) all.push_back(&e);
  all.insert(all.end(), Registered().begin(), Registered().end());
  return all;
}

const Edition* FindEdition(int32_t sprog) {
  for (const Edition& e : kEditions) {
    if (e.sprog == sprog) return &e;
  }
  for (const Edition* e : Registered()) {
    if (e->sprog == sprog) return e;
  }
  return nullptr;
}

const Edition& DefaultEdition() { return kEditions[0]; }

EditionRegistration::EditionRegistration(std::unique_ptr<Edition> edition)
    : edition_(std::move(edition)) {
  Registered().push_back(edition_.get());
}

EditionRegistration::EditionRegistration(EditionRegistration&&) noexcept = default;

EditionRegistration& EditionRegistration::operator=(EditionRegistration&& other) noexcept {
  if (this != &other) {
    EditionRegistration ending(std::move(*this));
    edition_ = std::move(other.edition_);
  }
  return *this;
}

EditionRegistration::~EditionRegistration() {
  if (edition_ == nullptr) return;  // moved from
  std::erase(Registered(), edition_.get());
}

EditionRegistration RegisterEdition(const Edition& edition) {
  if (FindEdition(edition.sprog) != nullptr) {
    throw std::invalid_argument("an edition with the code " + std::to_string(edition.sprog) +
                                " is known already");
  }
  if (const char* missing = MissingEditionText(edition)) {
    throw std::invalid_argument("the edition with the code " + std::to_string(edition.sprog) +
                                " lacks its " + missing);
  }
  return EditionRegistration(std::make_unique<Edition>(edition));
}

}  // namespace store
