// Moves of bill items, rows and members between containers for the project
// merge. A move holds a counted reference across the take-out and the
// put-in; when the receiving container refuses the object, it goes back to
// where it was, so a refused move loses nothing. Internal: not installed.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/dbtables.h"
#include "host/engine/item_set.h"
#include "host/engine/sub_engineering.h"

namespace marrow {
namespace qrv {
namespace internal {

// The children of |item| in index order, listed before anything moves.
inline std::vector<engine::SubEngineering*> ListChildren(const engine::SubEngineering* item) {
  std::vector<engine::SubEngineering*> children;
  if (!item) return children;
  children.reserve(item->GetChildCount());
  for (int i = 0; i < item->GetChildCount(); ++i)
    children.push_back(item->GetChildSubEngineering(i));
  return children;
}

inline std::vector<engine::dbtables::TupleObject*> ListRows(
    const engine::dbtables::TableObject* table) {
  std::vector<engine::dbtables::TupleObject*> rows;
  if (!table) return rows;
  rows.reserve(table->GetRowCount());
  for (int i = 0; i < table->GetRowCount(); ++i) rows.push_back(table->GetRow(i));
  return rows;
}

// Takes |item| from |old_parent| and adds it to |new_parent| before
// |before| (null: at the end). False when it did not arrive.
inline bool MoveBillItem(engine::SubEngineering* item, engine::SubEngineering* old_parent,
                         engine::SubEngineering* new_parent, engine::SubEngineering* before) {
  if (!item || !old_parent || !new_parent) return false;
  scoped_refptr<engine::SubEngineering> hold(item);
  int index = item->GetIndex();
  if (!old_parent->RemoveChild(item)) return false;
  if (new_parent->AddChild(item, before)) return true;
  engine::SubEngineering* back = index >= 0 && index < old_parent->GetChildCount()
                                     ? old_parent->GetChildSubEngineering(index)
                                     : nullptr;
  old_parent->AddChild(item, back);
  return false;
}

// Takes top-level |row| from |from| and adds it to |into| with |position|.
inline bool MoveRow(engine::dbtables::TupleObject* row, engine::dbtables::TableObject* from,
                    engine::dbtables::TableObject* into, int position) {
  if (!row || !from || !into) return false;
  scoped_refptr<engine::dbtables::TupleObject> hold(row);
  int index = -1;
  for (int i = 0; i < from->GetRowCount(); ++i)
    if (from->GetRow(i) == row) index = i;
  if (!from->RemoveRow(row)) return false;
  if (into->AddRow(row, position)) return true;
  from->AddRow(row, index + 1);
  return false;
}

// Moves every member of |from|, in order, into |into| with |position|.
inline void MoveMembers(engine::ItemSet* from, engine::ItemSet* into, int position) {
  if (!from || !into || from == into) return;
  std::vector<engine::DocumentObject*> members;
  members.reserve(from->GetCount());
  for (int i = 0; i < from->GetCount(); ++i) members.push_back(from->GetAt(i));
  for (engine::DocumentObject* member : members) {
    if (!member) continue;
    scoped_refptr<engine::DocumentObject> hold(member);
    if (!from->Remove(member)) continue;
    if (!into->Add(member, position)) from->Add(member, 0);
  }
}

// Moves the rows of a keyed table by key: one row per key (the last of the
// from side), in ascending key order, each key followed by |suffix|.
inline void MoveKeyedRows(engine::dbtables::TableObject* from, engine::dbtables::TableObject* into,
                          const std::string& suffix) {
  if (!from || !into) return;
  std::map<std::string, engine::dbtables::TupleObject*> by_key;
  for (engine::dbtables::TupleObject* row : ListRows(from))
    if (row) by_key[row->GetRowKey()] = row;
  for (const auto& entry : by_key) {
    engine::dbtables::TupleObject* row = entry.second;
    row->SetRowKey(entry.first + suffix);
    if (!MoveRow(row, from, into, 0)) row->SetRowKey(entry.first);
    into->RefreshChildren();
  }
}

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
