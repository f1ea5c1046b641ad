// The one place every layer asks which editions there are: the shipped rows of
// store/editions.h, in their order, then any edition registered at run time
// (a test's made-up edition), in the order registered. The window's edition
// lookups, its NytSprog cycle, the locale's edition, the "all" words, the
// command line's help, the cover-disc import and the data generator all read
// it, so an edition registered here is one they all see.
//
// Registration is for the program's main thread, before windows that are to
// see the edition are made; an edition's texts must outlive its registration.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "store/edition.h"

namespace store {

// The editions known now: the shipped ones first (the NytSprog cycle), then
// the registered ones.
std::vector<const Edition*> Editions();

// The edition of a code, or null for a code no edition has.
const Edition* FindEdition(int32_t sprog);

// The edition of any language without one of its own: the first shipped
// edition (Danish).
const Edition& DefaultEdition();

// Keeps an edition registered for as long as it lives.
class EditionRegistration {
 public:
  EditionRegistration(EditionRegistration&&) noexcept;
  EditionRegistration& operator=(EditionRegistration&&) noexcept;
  EditionRegistration(const EditionRegistration&) = delete;
  EditionRegistration& operator=(const EditionRegistration&) = delete;
  ~EditionRegistration();

  const Edition& edition() const { return *edition_; }

 private:
  friend EditionRegistration RegisterEdition(const Edition& edition);
  explicit EditionRegistration(std::unique_ptr<Edition> edition);
  std::unique_ptr<Edition> edition_;
};

// Adds a copy of `edition` after the editions known now, until the returned
// handle ends. Throws std::invalid_argument when its code already has an
// edition or a text of it is missing (MissingEditionText names which).
[[nodiscard]] EditionRegistration RegisterEdition(const Edition& edition);

}  // namespace store
