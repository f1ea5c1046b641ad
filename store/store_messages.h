// The texts of every message the store raises, written once. A "%s" is
// filled by Format (store/message_format.h); the table's own messages get
// its name in front through kTableMessage. The window shows these texts as
// they stand and the tests compare them byte for byte, so a change here is a
// change of what the reader sees.
#pragma once

namespace store::messages {

// ---- The table ----
inline constexpr char kTableMessage[] = "%s: %s";  // table name, message
inline constexpr char kClosedDataset[] = "Cannot perform this operation on a closed dataset";
inline constexpr char kEmptyDataset[] = "Cannot perform this operation on an empty dataset";
inline constexpr char kMissingPacket[] = "Missing data provider or data packet";
inline constexpr char kFieldNotFound[] = "Field '%s' not found";
inline constexpr char kIndexNotFound[] = "Index '%s' not found";
inline constexpr char kFieldTypeMismatch[] =
    "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr char kNotInEditMode[] = "Dataset not in edit or insert mode";
inline constexpr char kReadOnlyDataset[] = "Cannot modify a read-only dataset";
inline constexpr char kInsertsNotAllowed[] = "Inserts are not allowed";
inline constexpr char kModificationsNotAllowed[] = "Modifications are not allowed";
inline constexpr char kDeletesNotAllowed[] = "Deletes are not allowed";

// ---- The data file ----
inline constexpr char kCannotOpenFile[] = "Cannot open file %s";
inline constexpr char kCannotCreateFile[] = "Cannot create file %s";
// A data file someone else wrote since the open: the file, what happened to
// it (one of the four below), and the copy the table's data went to.
inline constexpr char kConflictSaved[] =
    "%s %s since the table was opened and was not overwritten; this data was written to %s";
// The same when the copy failed; the last "%s" is kConflictReason or empty.
inline constexpr char kConflictNotSaved[] =
    "%s %s since the table was opened and was not overwritten; this data could not be written "
    "to %s%s";
inline constexpr char kConflictReason[] = " (%s)";
inline constexpr char kFileReplaced[] = "was replaced by another file";
inline constexpr char kFileRemoved[] = "was removed";
inline constexpr char kFileCreated[] = "was created by someone else";
inline constexpr char kFileChanged[] = "was changed by someone else";

// ---- Field values and conversions ----
inline constexpr char kInvalidFieldValue[] = "Invalid value for field '%s'";
// The number, the field, the smallest and the largest value allowed.
inline constexpr char kFieldValueOutOfRange[] =
    "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr char kNotAnInteger[] = "'%s' is not a valid integer value";
inline constexpr char kNotAFloat[] = "'%s' is not a valid floating point value";
inline constexpr char kNotADateTime[] = "'%s' is not a valid date and time";
inline constexpr char kInvalidVariantOperation[] = "Invalid variant operation";
inline constexpr char kVariantConversion[] =
    "Could not convert variant of type (%s) into type (%s)";
inline constexpr char kOperationAborted[] = "Operation aborted";

// ---- The filter language ----
inline constexpr char kUnterminatedString[] = "Unterminated string constant";
inline constexpr char kUnterminatedFieldName[] = "Unterminated field name";
inline constexpr char kInvalidCharacter[] = "Invalid filter expression character: '%s'";
inline constexpr char kInvalidKeyword[] = "Invalid use of keyword";
// What the parser met, as the "%s" of the "... expected but %s found" texts:
// the token in quotes, or this word at the end of the text.
inline constexpr char kNoToken[] = "nothing";
inline constexpr char kLeftParenExpected[] = "'(' expected but %s found";
inline constexpr char kRightParenExpected[] = "')' expected but %s found";
inline constexpr char kRightParenOrCommaExpected[] = "')' or ',' expected but %s found";
inline constexpr char kExpressionExpected[] = "Expression expected but %s found";
inline constexpr char kEmptyInList[] = "IN predicate list may not be empty";
inline constexpr char kTypeMismatch[] = "Type mismatch in expression";
inline constexpr char kMixedAggregate[] =
    "Operation cannot mix aggregate value with record-varying value";
inline constexpr char kNestedTooDeeply[] = "Filter expression is nested too deeply";
inline constexpr char kIncorrectlyTerminated[] = "Filter expression incorrectly terminated";
inline constexpr char kAggregateInFilter[] = "Aggregate expressions not allowed in filters";
inline constexpr char kIncorrectlyFormed[] = "Incorrectly formed filter expression";
inline constexpr char kFilterTooLong[] =
    "Filter expression too long: its compiled form would exceed 65535 bytes";
inline constexpr char kFieldNotInFilter[] = "Field '%s' cannot be used in a filter expression";
inline constexpr char kConstantOutOfRange[] = "Constant out of range";
inline constexpr char kConstantWrongType[] = "Constant is not correct type %s";
inline constexpr char kNullOnlyWithEquals[] = "NULL only allowed with '=' and '<>'";

}  // namespace store::messages
