// Maps engine type codes (base type, size, memo subtype) to field types.
#include "store/engine_field_type.h"

namespace store {

TFieldType EngineFieldType(const engine::FieldDesc& d) {
  if (d.type & engine::kTypeArray) return TFieldType::ftArray;
  switch (d.type & engine::kTypeBaseMask) {
    case engine::kBaseInt:
      if (d.size <= 2) return TFieldType::ftSmallint;
      return d.size == 4 ? TFieldType::ftInteger : TFieldType::ftLargeint;
    case engine::kBaseUInt:
      return d.size <= 2 ? TFieldType::ftWord : TFieldType::ftLargeint;
    case engine::kBaseBool:
      return TFieldType::ftBoolean;
    case engine::kBaseFloat:
      return TFieldType::ftFloat;
    case engine::kBaseDate:
      return TFieldType::ftDate;
    case engine::kBaseTime:
      return TFieldType::ftTime;
    case engine::kBaseDateTime:
      return TFieldType::ftDateTime;
    case engine::kBaseString:
      return TFieldType::ftString;
    case engine::kBaseBytes:
      if (d.memo) return TFieldType::ftMemo;
      return (d.type & engine::kTypeVarying) ? TFieldType::ftBlob : TFieldType::ftBytes;
    default:
      return TFieldType::ftUnknown;
  }
}

}  // namespace store
