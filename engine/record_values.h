// Field values of rows: resolving "unchanged" cells through the chain of
// older versions, turning cells into record-buffer values and back, and the
// checks that a value fits its field.
//
// Must stay true: ResolvedCell only follows `replaces` downwards (every entry
// names an older row), which the data object checks when it loads a table, so
// resolution always ends on a cell holding a value or null.
// Used by the data object, its cursors and its orders.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ds_interfaces.h"
#include "engine/status.h"
#include "engine/table_data.h"

namespace engine {

// The cell that holds the value of `field` for `row`: the row's own cell, or,
// when that is marked unchanged, the cell of the nearest older version that
// holds a value or null.
// REQUIRES: row < data.row_count(), field < data.field_count(), chains checked.
const Cell& ResolvedCell(const TableData& data, const std::vector<uint32_t>& replaces, uint32_t row,
                         size_t field);

// How a field's values travel in a record buffer.
FieldValue::Kind KindOfField(const FieldDef& field);

// The WIDTH parameter (maximum characters) of a field, or 0.
uint32_t FieldWidth(const FieldDef& field);
// Whether the field carries SUBTYPE "Text".
bool FieldIsMemo(const FieldDef& field);

// The record-buffer value of a resolved cell.
// REQUIRES: cell.blank != kUnchanged.
FieldValue CellToValue(const TableData& data, const FieldDef& field, const Cell& cell);

// Checks that `value` fits `field` (kind, integer range, WIDTH, length prefix).
// On failure returns kDBValueDoesNotFit with a text naming the field.
DBResult CheckValue(const FieldDef& field, const FieldValue& value, std::string* error);

// A cell for a checked value; varying bytes are appended to data->heap.
// REQUIRES: CheckValue(field, value) succeeded.
Cell ValueToCell(TableData* data, const FieldDef& field, const FieldValue& value);

// Whether a resolved cell holds exactly `value` (null equals null).
bool CellEquals(const TableData& data, const FieldDef& field, const Cell& cell,
                const FieldValue& value);

}  // namespace engine
