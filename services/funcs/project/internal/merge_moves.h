// Moves of bill items, rows and members between containers for the project
// merge. A move holds a counted reference across the take-out and the
// put-in; when the receiving container refuses the object, it goes back to
// where it was, so a refused move loses nothing. Objects are listed before
// anything moves and are found again by their place in that listing, never
// by a scan, so moving n objects costs O(n), O(n log n) once one has been
// refused.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "funcs/project/internal/key_order.h"
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

// Where the objects listed from one container stand now: the index each had
// when listed, less those listed before it that have left since. A refused
// move puts an object back in its place with this, without rescanning the
// container, so moves stay linear. Departures are marked in a flat array;
// the counts (a Fenwick tree over the listing) are built only when a place
// is first asked for, so the moves that all succeed pay O(1) each, and the
// rest O(log n).
class ListedPlaces {
 public:
  explicit ListedPlaces(std::size_t count) : left_(count, false) {}
  // The object listed at |listed| has left the container.
  void Left(std::size_t listed) {
    if (listed >= left_.size() || left_[listed]) return;
    left_[listed] = true;
    if (!counts_.empty()) Count(listed);
  }
  // Its index now, had it stayed.
  int Now(std::size_t listed) {
    if (counts_.empty()) BuildCounts();
    int gone = 0;
    for (std::size_t i = std::min(listed, left_.size()); i > 0; i -= i & (~i + 1))
      gone += counts_[i];
    return static_cast<int>(listed) - gone;
  }

 private:
  void Count(std::size_t listed) {
    for (std::size_t i = listed + 1; i < counts_.size(); i += i & (~i + 1)) ++counts_[i];
  }
  // All the departures so far, counted in one pass.
  void BuildCounts() {
    counts_.assign(left_.size() + 1, 0);
    for (std::size_t i = 1; i < counts_.size(); ++i) {
      counts_[i] += left_[i - 1] ? 1 : 0;
      const std::size_t parent = i + (i & (~i + 1));
      if (parent < counts_.size()) counts_[parent] += counts_[i];
    }
  }

  std::vector<bool> left_;
  std::vector<int> counts_;  // 1-based Fenwick tree; empty until first asked
};

// Takes |item|, listed at |listed| from |old_parent|, and adds it to
// |new_parent| before |before| (null: at the end). False when it did not
// arrive; it is then back in its place.
inline bool MoveBillItem(engine::SubEngineering* item, engine::SubEngineering* old_parent,
                         engine::SubEngineering* new_parent, engine::SubEngineering* before,
                         ListedPlaces& places, std::size_t listed) {
  if (!item || !old_parent || !new_parent) return false;
  scoped_refptr<engine::SubEngineering> hold(item);
  if (!old_parent->RemoveChild(item)) return false;
  if (new_parent->AddChild(item, before)) {
    places.Left(listed);
    return true;
  }
  old_parent->AddChild(item, old_parent->GetChildSubEngineering(places.Now(listed)));
  return false;
}

// Takes top-level |row|, listed at |listed| from |from|, and adds it to
// |into| with |position|; false, with the row back in its place, when it did
// not arrive.
inline bool MoveRow(engine::dbtables::TupleObject* row, engine::dbtables::TableObject* from,
                    engine::dbtables::TableObject* into, int position, ListedPlaces& places,
                    std::size_t listed) {
  if (!row || !from || !into) return false;
  scoped_refptr<engine::dbtables::TupleObject> hold(row);
  if (!from->RemoveRow(row)) return false;
  if (into->AddRow(row, position)) {
    places.Left(listed);
    return true;
  }
  from->AddRow(row, places.Now(listed) + 1);
  return false;
}

// Moves every member of |from|, in order, into |into| with |position|.
inline void MoveMembers(engine::ItemSet* from, engine::ItemSet* into, int position) {
  if (!from || !into || from == into) return;
  std::vector<engine::DocumentObject*> members;
  members.reserve(from->GetCount());
  for (int i = 0; i < from->GetCount(); ++i) members.push_back(from->GetAt(i));
  ListedPlaces places(members.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    engine::DocumentObject* member = members[i];
    if (!member) continue;
    scoped_refptr<engine::DocumentObject> hold(member);
    if (!from->Remove(member)) continue;
    if (into->Add(member, position))
      places.Left(i);
    else
      from->Add(member, places.Now(i) + 1);
  }
}

// Moves the rows of a keyed table by key: one row per key (the last of the
// from side), in ascending key order, each key followed by |suffix|.
inline void MoveKeyedRows(engine::dbtables::TableObject* from, engine::dbtables::TableObject* into,
                          const std::string& suffix) {
  if (!from || !into) return;
  std::vector<engine::dbtables::TupleObject*> rows = ListRows(from);
  std::vector<std::string> keys;
  std::vector<std::size_t> listed_of;
  keys.reserve(rows.size());
  listed_of.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i]) continue;
    keys.push_back(rows[i]->GetRowKey());
    listed_of.push_back(i);
  }
  // Equal keys keep the listing's order, so the last of each run is the one
  // to move.
  const std::vector<std::size_t> order = KeyOrder(keys);
  ListedPlaces places(rows.size());
  std::string suffixed;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const std::string& key = keys[order[k]];
    if (k + 1 < order.size() && keys[order[k + 1]] == key) continue;
    const std::size_t listed = listed_of[order[k]];
    engine::dbtables::TupleObject* row = rows[listed];
    suffixed.assign(key).append(suffix);
    row->SetRowKey(suffixed);
    if (!MoveRow(row, from, into, 0, places, listed)) row->SetRowKey(key);
    into->RefreshChildren();
  }
}

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
