// Field types and field kinds shared by the article table's field objects and
// the filter compiler, which maps each type to an engine type code.
#pragma once

namespace store {

enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd
};

// Data fields come from the packet; calculated fields live only in the
// table's record buffers; internally calculated ones would be kept by the
// engine (the article table has none).
enum class FieldKind { kData, kCalculated, kLookup, kInternalCalc, kAggregate };

const char* FieldTypeName(TFieldType type);  // "String", "Integer", "Memo", ...

bool IsStringType(TFieldType type);  // ftString, ftFixedChar, ftWideString, ftGuid
bool IsBlobType(TFieldType type);    // memo and the other blob types
bool IsMemoType(TFieldType type);    // ftMemo, ftFmtMemo: text that reads as "" when empty

}  // namespace store
