// Display names of the field types, as error messages and listings show them,
// and the classes of types (string, blob, memo) that fields and the filter
// language test for. Every enumerator of TFieldType has a name here; keep the
// two in step.
#include "store/field_type.h"

namespace store {

const char* FieldTypeName(TFieldType type) {
  switch (type) {
    case TFieldType::ftUnknown:
      return "Unknown";
    case TFieldType::ftString:
      return "String";
    case TFieldType::ftSmallint:
      return "Smallint";
    case TFieldType::ftInteger:
      return "Integer";
    case TFieldType::ftWord:
      return "Word";
    case TFieldType::ftBoolean:
      return "Boolean";
    case TFieldType::ftFloat:
      return "Float";
    case TFieldType::ftCurrency:
      return "Currency";
    case TFieldType::ftBCD:
      return "BCD";
    case TFieldType::ftDate:
      return "Date";
    case TFieldType::ftTime:
      return "Time";
    case TFieldType::ftDateTime:
      return "DateTime";
    case TFieldType::ftBytes:
      return "Bytes";
    case TFieldType::ftVarBytes:
      return "VarBytes";
    case TFieldType::ftAutoInc:
      return "AutoInc";
    case TFieldType::ftBlob:
      return "Blob";
    case TFieldType::ftMemo:
      return "Memo";
    case TFieldType::ftGraphic:
      return "Graphic";
    case TFieldType::ftFmtMemo:
      return "FmtMemo";
    case TFieldType::ftParadoxOle:
      return "ParadoxOle";
    case TFieldType::ftDBaseOle:
      return "DBaseOle";
    case TFieldType::ftTypedBinary:
      return "TypedBinary";
    case TFieldType::ftCursor:
      return "Cursor";
    case TFieldType::ftFixedChar:
      return "FixedChar";
    case TFieldType::ftWideString:
      return "WideString";
    case TFieldType::ftLargeint:
      return "Largeint";
    case TFieldType::ftADT:
      return "ADT";
    case TFieldType::ftArray:
      return "Array";
    case TFieldType::ftReference:
      return "Reference";
    case TFieldType::ftDataSet:
      return "DataSet";
    case TFieldType::ftOraBlob:
      return "OraBlob";
    case TFieldType::ftOraClob:
      return "OraClob";
    case TFieldType::ftVariant:
      return "Variant";
    case TFieldType::ftInterface:
      return "Interface";
    case TFieldType::ftIDispatch:
      return "IDispatch";
    case TFieldType::ftGuid:
      return "Guid";
    case TFieldType::ftTimeStamp:
      return "TimeStamp";
    case TFieldType::ftFMTBcd:
      return "FMTBcd";
  }
  return "Unknown";
}

bool IsStringType(TFieldType type) {
  using enum TFieldType;
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftGuid;
}

bool IsBlobType(TFieldType type) {
  using enum TFieldType;
  switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
      return true;
    default:
      return false;
  }
}

bool IsMemoType(TFieldType type) {
  return type == TFieldType::ftMemo || type == TFieldType::ftFmtMemo;
}

}  // namespace store
