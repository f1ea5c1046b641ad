// DataLink: a listener that a table tells about its changes. The window's data
// source derives from it and forwards to the grid and the text boxes.
//
// A link registers with TArtikelData::AddDataLink and must be removed
// (RemoveDataLink) before it is destroyed. Notifications arrive on the one GUI
// thread, after the table's own state is consistent; a listener may read the
// table but must not change it from inside a notification.
#pragma once

namespace store {

class DataLink {
 public:
  virtual ~DataLink() = default;
  // The whole view changed: open, close, order, filter, post, cancel, delete,
  // insert. Re-read everything shown.
  virtual void DataSetChanged() {}
  // The current record's values changed (a field was written).
  virtual void RecordChanged() {}
  // The current record moved to another record of the view.
  virtual void DataSetScrolled() {}
  // State() changed (browse, edit, insert, inactive).
  virtual void StateChanged() {}
};

}  // namespace store
