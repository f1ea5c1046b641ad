// Status codes of the dataset engine.
//
// Every engine operation returns a DBResult: 0 for success, the two cursor
// codes for running off either end of a view, 9997 for an order name the data
// does not hold, and one of the failure codes below otherwise. The caller asks
// the data object (IDSBase::GetErrorString) for the text of a failure; that text
// says what went wrong and where (offset, row, field).
#pragma once

#include <cstdint>

namespace engine {

using DBResult = int32_t;

inline constexpr DBResult kDBOk = 0;
inline constexpr DBResult kDBBof = 8705;          // before the first record
inline constexpr DBResult kDBEof = 8706;          // after the last record
inline constexpr DBResult kDBNoSuchIndex = 9997;  // no order of that name

// Failures. The texts come from IDSBase::GetErrorString.
inline constexpr DBResult kDBCorruptPacket = 9501;     // malformed packet bytes or XML
inline constexpr DBResult kDBUnknownFieldType = 9502;  // a type code or name we do not know
inline constexpr DBResult kDBValueDoesNotFit = 9503;   // a value that does not fit its field
inline constexpr DBResult kDBBadChangeLog = 9504;  // change log malformed or naming missing rows
inline constexpr DBResult kDBCannotWritePacket = 9505;  // e.g. a zero byte in XML text
inline constexpr DBResult kDBNoData = 9506;             // no packet loaded yet
inline constexpr DBResult kDBNoCurrentRecord = 9507;    // cursor is on no record
inline constexpr DBResult kDBBadArgument = 9508;        // field number, buffer shape, ...
inline constexpr DBResult kDBDuplicateIndex = 9509;     // order name already held
inline constexpr DBResult kDBKeyViolation = 9510;       // unique order would hold a key twice
inline constexpr DBResult kDBBadFilter = 9511;          // malformed compiled filter block
inline constexpr DBResult kDBNoSuchFilter = 9512;       // unknown filter handle
inline constexpr DBResult kDBNoSuchParam = 9513;        // table parameter not present

// A short generic text for a code; the data object's GetErrorString adds the
// details of the failure it last reported.
const char* DefaultErrorText(DBResult code);

}  // namespace engine
