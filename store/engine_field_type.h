// The field type that an engine field descriptor stands for: how the table
// names the kind of a packet's field when it binds its field objects, and how
// tools that filter arbitrary packets type their fields.
#pragma once

#include "engine/ds_interfaces.h"
#include "store/field_type.h"

namespace store {

TFieldType EngineFieldType(const engine::FieldDesc& desc);

}  // namespace store
