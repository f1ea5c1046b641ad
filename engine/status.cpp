// Generic texts for the engine's status codes. The data object adds the
// details of a failure (what and where) on top of these; these are the
// fall-back when it has nothing better to say.
#include "engine/status.h"

namespace engine {

const char* DefaultErrorText(DBResult code) {
  switch (code) {
    case kDBOk:
      return "No error";
    case kDBBof:
      return "At beginning of table";
    case kDBEof:
      return "At end of table";
    case kDBNoSuchIndex:
      return "Index not found";
    case kDBCorruptPacket:
      return "Data packet is corrupt";
    case kDBUnknownFieldType:
      return "Unknown field type in data packet";
    case kDBValueDoesNotFit:
      return "Value does not fit its field";
    case kDBBadChangeLog:
      return "Change log is invalid";
    case kDBCannotWritePacket:
      return "Data packet cannot be written";
    case kDBNoData:
      return "No data loaded";
    case kDBNoCurrentRecord:
      return "No current record";
    case kDBBadArgument:
      return "Invalid argument";
    case kDBDuplicateIndex:
      return "Index already exists";
    case kDBKeyViolation:
      return "Key violation";
    case kDBBadFilter:
      return "Invalid filter";
    case kDBNoSuchFilter:
      return "Filter not found";
    case kDBNoSuchParam:
      return "Parameter not found";
    default:
      return "Unknown engine error";
  }
}

}  // namespace engine
