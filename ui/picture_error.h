// EInvalidGraphic: a stored picture that cannot be decoded. Its message names
// the picture list, the item and what the decoder found.
#pragma once

#include "store/db_error.h"

namespace ui {

class EInvalidGraphic : public store::Exception {
 public:
  using Exception::Exception;
};

}  // namespace ui
