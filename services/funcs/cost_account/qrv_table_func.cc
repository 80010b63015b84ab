#include "funcs/cost_account/qrv_table_func.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/dbtables.h"
#include "host/engine/document_object.h"
#include "host/engine/field_container.h"
#include "host/engine/field_value.h"
#include "host/engine/qrv/qrv_cost_account.h"
#include "host/engine/qrv/qrv_table_file.h"
#include "host/proxy/element.h"
#include "internal/field_util.h"
#include "internal/qrv_keys.h"
#include "internal/upward_walk.h"

namespace marrow {
namespace qrv {

namespace {

using Row = engine::dbtables::TupleObject;
using RowSet = std::unordered_set<const Row*>;

// The worker's memory while it assigns: the first text of every touched row,
// and, in the order recorded, the rows with whether the text recorded is one
// the worker wrote itself. Which rows it wrote the index marks by position;
// rows written in earlier calls or outside the index are in the two sets.
struct Record {
  std::map<engine::DocumentObject*, std::string>& texts;
  std::vector<Row*>& in_order;
  std::vector<char>& own;
  const RowSet& written_earlier;
  RowSet written_here;

  bool WrittenBefore(const Row* row) const {
    return (!written_here.empty() && written_here.count(row)) ||
           (!written_earlier.empty() && written_earlier.count(row));
  }
};

// Keeps the first value per object only. |written|: the worker wrote the row
// before, so the text recorded is its own.
void RecordRow(Row* row, const engine::FieldContainer* fields, Record& record, bool written) {
  engine::DocumentObject* key = row;
  auto it = record.texts.lower_bound(key);
  if (it != record.texts.end() && it->first == key) return;
  record.texts.emplace_hint(it, key, internal::GetTextField(fields, keys::kCostAccount));
  record.in_order.push_back(row);
  record.own.push_back(written);
}

// Records and removes the field when |row| carries it.
void ClearRow(Row* row, Record& record, bool written) {
  engine::FieldContainer* fields = row->GetFieldContainer();
  if (!fields || !fields->HasField(keys::kCostAccount)) return;
  RecordRow(row, fields, record, written);
  fields->RemoveField(keys::kCostAccount, true);
}

void ClearRow(Row* row, Record& record) { ClearRow(row, record, record.WrittenBefore(row)); }

// Records the row if it carries the field, then writes |value| into it.
void WriteRow(Row* row, engine::FieldContainer* fields, const std::string& value, Record& record,
              bool written) {
  if (fields->HasField(keys::kCostAccount)) RecordRow(row, fields, record, written);
  fields->SetFieldValue(keys::kCostAccount, engine::FieldValue(value), true);
}

// Clears every ancestor of |row|, nearest first. A parent chain that loops
// back is cut once it has gone round; clearing a row twice changes nothing.
void ClearAncestors(Row* row, Record& record) {
  internal::ForEachUpward(row->GetParent(), &Row::GetParent,
                          [&record](Row* node) { ClearRow(node, record); });
}

// The usable cost account tree of the row's table file, or null.
engine::qrv::QRVCostAccountGroup* RowCostAccountTree(Row* row) {
  auto* file = dynamic_cast<engine::qrv::QRVTableObjectFile*>(row->GetTable());
  if (!file) return nullptr;
  return dynamic_cast<engine::qrv::QRVCostAccountGroup*>(file->GetCostAccountGroup());
}

// A path becomes its account's id; anything else is taken as it is and must
// then be empty or an id of |tree|. False skips the row.
bool ResolveRowValue(engine::qrv::QRVCostAccountGroup* tree, const std::string& value,
                     std::string& resolved) {
  const scoped_refptr<proxy::Element> element = proxy::CreateElement(tree);
  if (!element) return false;
  resolved = proxy::qrv::GetCostAccountIdFromPath(element.get(), value);
  if (resolved.empty()) resolved = value;
  return resolved.empty() || proxy::qrv::IsValidCostAccountId(element.get(), resolved);
}

// Max over positions, with the two searches an assignment needs.
class MaxTree {
 public:
  MaxTree() = default;

  void Reset(const std::vector<int>& leaves) {
    size_ = 1;
    while (size_ < leaves.size()) size_ *= 2;
    nodes_.assign(2 * size_, 0);
    for (std::size_t i = 0; i < leaves.size(); ++i) nodes_[size_ + i] = leaves[i];
    for (std::size_t i = size_; i-- > 1;) nodes_[i] = std::max(nodes_[2 * i], nodes_[2 * i + 1]);
  }

  void Set(int pos, int value) {
    std::size_t i = size_ + static_cast<std::size_t>(pos);
    nodes_[i] = value;
    for (i /= 2; i >= 1; i /= 2) nodes_[i] = std::max(nodes_[2 * i], nodes_[2 * i + 1]);
  }

  // Rightmost position below |limit| holding more than |floor|, or -1.
  int LastBelow(int limit, int floor) const { return LastBelow(1, 0, size_, limit, floor); }
  // Leftmost position in [begin, end) holding more than 0, or -1.
  int FirstIn(int begin, int end) const { return FirstIn(1, 0, size_, begin, end); }

 private:
  int LastBelow(std::size_t node, std::size_t lo, std::size_t hi, int limit, int floor) const {
    if (static_cast<int>(lo) >= limit || nodes_[node] <= floor) return -1;
    if (hi - lo == 1) return static_cast<int>(lo);
    const std::size_t mid = (lo + hi) / 2;
    const int right = LastBelow(2 * node + 1, mid, hi, limit, floor);
    return right >= 0 ? right : LastBelow(2 * node, lo, mid, limit, floor);
  }

  int FirstIn(std::size_t node, std::size_t lo, std::size_t hi, int begin, int end) const {
    if (static_cast<int>(hi) <= begin || static_cast<int>(lo) >= end || nodes_[node] <= 0)
      return -1;
    if (hi - lo == 1) return static_cast<int>(lo);
    const std::size_t mid = (lo + hi) / 2;
    const int left = FirstIn(2 * node, lo, mid, begin, end);
    return left >= 0 ? left : FirstIn(2 * node + 1, mid, hi, begin, end);
  }

  std::size_t size_ = 1;
  std::vector<int> nodes_;
};

// The rows an assignment can reach — each assigned row's ancestors and whole
// subtree — numbered in pre-order (children in index order), so a row's
// subtree is the range of positions [pos, end) and its ancestors are the
// earlier positions whose range covers it. The rows carrying the field are
// tracked as the assignment goes, so each step finds exactly the rows it must
// clear instead of walking the branch again: work is O(n log n) in the rows
// reached, where walking each assigned row's branch would be quadratic on
// deep or nested selections. Everything is read from the host once, up front.
// Built without the subtrees, it numbers only the given rows and their
// ancestors, which is all an order by depth needs.
class RowForest {
 public:
  explicit RowForest(const std::vector<Row*>& assigned, bool with_subtrees = true) {
    std::vector<int> roots;
    index_.reserve(2 * assigned.size());
    nodes_.reserve(2 * assigned.size());
    for (Row* row : assigned) {
      const int node = NodeOf(row);
      nodes_[node].whole = with_subtrees;
      LinkUp(node, roots);
    }
    for (int root : roots) Number(root);

    std::vector<int> leaves(rows_.size(), 0);
    for (std::size_t pos = 0; pos < rows_.size(); ++pos) {
      const engine::FieldContainer* fields = rows_[pos]->GetFieldContainer();
      if (fields && fields->HasField(keys::kCostAccount)) leaves[pos] = ends_[pos];
    }
    carriers_.Reset(leaves);
    written_.assign(rows_.size(), 0);
  }

  // The row's position, or -1 when its tree's parent and child links
  // disagree (or loop) and the row could not be placed.
  int PositionOf(Row* row) const {
    auto it = index_.find(row);
    return it == index_.end() ? -1 : nodes_[it->second].pos;
  }

  // Writes |value| into the row at |pos|, then clears its ancestors (nearest
  // first) and its descendants (in pre-order), as walking them would.
  void Assign(int pos, engine::FieldContainer* fields, const std::string& value, Record& record) {
    WriteRow(rows_[pos], fields, value, record, WrittenBefore(pos, record));
    written_[pos] = 1;
    carriers_.Set(pos, ends_[pos]);
    for (int at; (at = carriers_.LastBelow(pos, pos)) >= 0;) Clear(at, record);
    for (int at; (at = carriers_.FirstIn(pos + 1, ends_[pos])) >= 0;) Clear(at, record);
  }

 private:
  struct Node {
    Row* row;
    int first_child = -1;  // Links found by climbing from assigned rows.
    int next_sibling = -1;
    int pos = -1;
    bool whole = false;   // An assigned row: its whole subtree is reached.
    bool linked = false;  // Its parent link (or its being a top row) is known.
  };

  int NodeOf(Row* row) {
    auto inserted = index_.emplace(row, static_cast<int>(nodes_.size()));
    if (inserted.second) nodes_.push_back(Node{row});
    return inserted.first->second;
  }

  // Climbs from |node| until a row whose link is already known; each row is
  // climbed through once, so all climbs together are linear.
  void LinkUp(int node, std::vector<int>& roots) {
    while (!nodes_[node].linked) {
      nodes_[node].linked = true;
      Row* parent = nodes_[node].row->GetParent();
      if (!parent) {
        roots.push_back(node);
        return;
      }
      const int up = NodeOf(parent);
      nodes_[node].next_sibling = nodes_[up].first_child;
      nodes_[up].first_child = node;
      node = up;
    }
  }

  // Pre-order numbering without recursion. Below an assigned row every child
  // is taken from the host; above, only the climbed links are followed (their
  // order there does not matter, only the nesting of the ranges does).
  void Number(int root) {
    struct Frame {
      int node;
      bool whole;
      int cursor;  // Next child index (whole) or next linked child node.
      int count;   // Child count (whole only).
    };
    std::vector<Frame> stack;
    auto enter = [&](int node, bool whole_above) {
      Node& entry = nodes_[node];
      if (entry.pos >= 0) return;  // Reached twice: malformed links.
      entry.pos = static_cast<int>(rows_.size());
      rows_.push_back(entry.row);
      ends_.push_back(-1);
      const bool whole = whole_above || entry.whole;
      stack.push_back(Frame{node, whole, whole ? 0 : entry.first_child,
                            whole ? entry.row->GetChildCount() : 0});
    };
    enter(root, false);
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.whole && top.cursor < top.count) {
        Row* child = nodes_[top.node].row->GetChild(top.cursor++);
        if (child) enter(NodeOf(child), true);
      } else if (!top.whole && top.cursor >= 0) {
        const int child = top.cursor;
        top.cursor = nodes_[child].next_sibling;
        enter(child, false);
      } else {
        ends_[nodes_[top.node].pos] = static_cast<int>(rows_.size());
        stack.pop_back();
      }
    }
  }

  void Clear(int pos, Record& record) {
    carriers_.Set(pos, 0);
    ClearRow(rows_[pos], record, WrittenBefore(pos, record));
  }

  bool WrittenBefore(int pos, const Record& record) const {
    return written_[pos] || record.WrittenBefore(rows_[pos]);
  }

  std::vector<Node> nodes_;
  std::unordered_map<Row*, int> index_;
  std::vector<Row*> rows_;     // By position.
  std::vector<int> ends_;      // By position: end of the subtree's range.
  std::vector<char> written_;  // By position: assigned in this call.
  MaxTree carriers_;           // By position: the end when the row carries the field.
};

}  // namespace

QRVTableFunc::QRVTableFunc() = default;
QRVTableFunc::QRVTableFunc(const QRVTableFunc& other) = default;
QRVTableFunc::QRVTableFunc(QRVTableFunc&& other) noexcept = default;
QRVTableFunc& QRVTableFunc::operator=(const QRVTableFunc& other) = default;
QRVTableFunc& QRVTableFunc::operator=(QRVTableFunc&& other) noexcept = default;
QRVTableFunc::~QRVTableFunc() = default;

void QRVTableFunc::SetCostAccount(std::vector<engine::DocumentObject*> objects,
                                  const std::string& value) {
  const std::vector<const std::string*> values(objects.size(), &value);
  AssignRows(objects, values);
}

void QRVTableFunc::SetCostAccount(
    const std::vector<std::pair<engine::DocumentObject*, std::string>>& assignments) {
  std::vector<engine::DocumentObject*> objects;
  std::vector<const std::string*> values;
  objects.reserve(assignments.size());
  values.reserve(assignments.size());
  for (const auto& assignment : assignments) {
    objects.push_back(assignment.first);
    values.push_back(&assignment.second);
  }
  AssignRows(objects, values);
}

std::map<engine::DocumentObject*, std::string> QRVTableFunc::GetData() const { return data_; }

std::vector<engine::DocumentObject*> QRVTableFunc::GetUndoOrder() const {
  // Positions in a pre-order put every ancestor before its descendants, so
  // the highest position goes first. The assignment's own index has them when
  // one call recorded every row; rows recorded over several calls are placed
  // afresh. A row whose links could not be placed (-1) goes after the placed
  // rows of its group.
  std::vector<int> positions = positions_;
  if (recording_calls_ > 1) {
    const RowForest forest(recorded_, /*with_subtrees=*/false);
    for (std::size_t i = 0; i < recorded_.size(); ++i)
      positions[i] = forest.PositionOf(recorded_[i]);
  }
  std::vector<std::pair<std::pair<bool, int>, Row*>> keyed;
  keyed.reserve(recorded_.size());
  for (std::size_t i = 0; i < recorded_.size(); ++i)
    keyed.push_back({{!recorded_own_[i], -positions[i]}, recorded_[i]});
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<engine::DocumentObject*> order;
  order.reserve(keyed.size());
  for (const auto& entry : keyed) order.push_back(entry.second);
  return order;
}

void QRVTableFunc::AssignRows(const std::vector<engine::DocumentObject*>& objects,
                              const std::vector<const std::string*>& values) {
  // Resolving only reads the host, so every row is resolved first and only
  // the rows that will be assigned are indexed.
  struct Assignment {
    Row* row;
    engine::FieldContainer* fields;
    std::string value;
  };
  std::vector<Assignment> assignments;
  std::vector<Row*> rows;
  // Rows of one table share a tree, and a selection (or the record an undo
  // gives back) holds few distinct values: each value is resolved once per
  // tree, which spares a path walk per row, and the last resolution is reused
  // while tree and value stay the same, which spares the lookup too.
  struct Resolution {
    bool valid = false;
    std::string id;
  };
  std::unordered_map<engine::qrv::QRVCostAccountGroup*, std::unordered_map<std::string, Resolution>>
      resolutions;
  engine::qrv::QRVCostAccountGroup* last_tree = nullptr;
  const std::string* last_value = nullptr;
  const Resolution* last = nullptr;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    Row* row = dynamic_cast<Row*>(objects[i]);
    if (!row) continue;  // Not a row: another kind of object is skipped.
    engine::qrv::QRVCostAccountGroup* tree = RowCostAccountTree(row);
    if (!tree) continue;
    if (tree != last_tree || !last_value ||
        (last_value != values[i] && *last_value != *values[i])) {
      auto [it, fresh] = resolutions[tree].try_emplace(*values[i]);
      if (fresh) it->second.valid = ResolveRowValue(tree, *values[i], it->second.id);
      last_tree = tree;
      last_value = values[i];
      last = &it->second;
    }
    if (!last->valid) continue;
    std::string resolved = last->id;
    engine::FieldContainer* fields = row->GetFieldContainer();
    if (!fields) continue;
    assignments.push_back(Assignment{row, fields, std::move(resolved)});
    rows.push_back(row);
  }
  if (assignments.empty()) return;

  // Rows written by earlier calls count as written; a set of them is made
  // only when there were any.
  const RowSet written_earlier(written_.begin(), written_.end());
  const std::size_t recorded_before = recorded_.size();
  Record record{data_, recorded_, recorded_own_, written_earlier, RowSet()};
  RowForest forest(rows);
  for (const Assignment& assignment : assignments) {
    const int pos = forest.PositionOf(assignment.row);
    if (pos >= 0) {
      forest.Assign(pos, assignment.fields, assignment.value, record);
      continue;
    }
    // A row the index could not place walks its branch directly.
    WriteRow(assignment.row, assignment.fields, assignment.value, record,
             record.WrittenBefore(assignment.row));
    record.written_here.insert(assignment.row);
    ClearAncestors(assignment.row, record);
    const int count = assignment.row->GetChildCount();
    for (int i = 0; i < count; ++i) TraversalClearCostAccount(assignment.row->GetChild(i));
  }
  written_.insert(written_.end(), rows.begin(), rows.end());
  if (recorded_.size() == recorded_before) return;
  ++recording_calls_;
  for (std::size_t i = recorded_before; i < recorded_.size(); ++i)
    positions_.push_back(forest.PositionOf(recorded_[i]));
}

void QRVTableFunc::TraversalClearCostAccount(engine::dbtables::TupleObject* row) {
  if (!row) return;
  // Pre-order without recursion; the seen set guards against child links
  // that loop back.
  // Only a branch the index could not place comes here; its rows count as
  // written by an earlier call only.
  const RowSet written_earlier(written_.begin(), written_.end());
  Record record{data_, recorded_, recorded_own_, written_earlier, RowSet()};
  std::vector<Row*> stack{row};
  std::unordered_set<const Row*> seen;
  while (!stack.empty()) {
    Row* node = stack.back();
    stack.pop_back();
    if (!seen.insert(node).second) continue;
    ClearRow(node, record);
    for (int i = node->GetChildCount(); i-- > 0;) {
      if (Row* child = node->GetChild(i)) stack.push_back(child);
    }
  }
}

}  // namespace qrv
}  // namespace marrow
