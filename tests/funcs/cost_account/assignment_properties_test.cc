// Properties of assigning cost accounts over random row forests: the worker
// agrees with assigning one row at a time by walking each branch, an
// undoable single-row assignment takes its branch and gives it back, and the
// undo of any selection gives every row that held an account its own back.
#include <algorithm>
#include <optional>
#include <utility>

#include "actions/qrv_set_cost_account_action.h"
#include "funcs/cost_account/qrv_table_func.h"
#include "tests/support/bounded_size.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;

// What a row may carry at the start: absent, empty, ids, or stale text.
const std::vector<std::optional<std::string>> kInitial = {std::nullopt, "",         "ca-civil",
                                                          "ca-steel",   "ca-plant", "junk"};
// Values a user may give, with the id each resolves to (nullopt: rejected:
// a name that is no top-level path, a code, a path that leaves the tree).
const std::vector<std::pair<std::string, std::optional<std::string>>> kValues = {
    {"Civil", "ca-civil"},    {"Civil/Steel", "ca-steel"},
    {"ca-plant", "ca-plant"}, {"", ""},
    {"Nope", std::nullopt},   {"Steel", std::nullopt},
    {"0101", std::nullopt},   {"Civil/Nope", std::nullopt}};

std::string RowId(int index) { return "r" + std::to_string(index); }

// A row forest and the fields of its rows, with the straightforward
// assignment: write the row, then walk up and down its branch.
struct Forest {
  std::vector<int> parent;  // -1 on top; a parent always precedes its children
  std::vector<std::optional<std::string>> field;
  Texts record;

  void Note(int row) {
    if (field[row]) record.emplace(RowId(row), *field[row]);
  }
  void ClearSubtree(int row) {
    Note(row);
    field[row].reset();
    for (int child = row + 1; child < static_cast<int>(parent.size()); ++child)
      if (parent[child] == row) ClearSubtree(child);
  }
  void Assign(int row, std::size_t value) {
    const auto& resolved = kValues.at(value).second;
    if (!resolved) return;
    Note(row);
    field[row] = *resolved;
    for (int up = parent[row]; up >= 0; up = parent[up]) {
      Note(up);
      field[up].reset();
    }
    for (int child = row + 1; child < static_cast<int>(parent.size()); ++child)
      if (parent[child] == row) ClearSubtree(child);
  }
  bool IsAncestor(int a, int b) const {  // a is above b
    for (int up = parent[b]; up >= 0; up = parent[up])
      if (up == a) return true;
    return false;
  }
  bool Related(int a, int b) const {  // one is an ancestor of the other, or a == b
    return a == b || IsAncestor(a, b) || IsAncestor(b, a);
  }
  Texts State() const {
    Texts out;
    for (std::size_t i = 0; i < field.size(); ++i)
      if (field[i]) out.emplace(RowId(static_cast<int>(i)), *field[i]);
    return out;
  }
};

Forest GenForest(bool one_per_branch,
                 const std::vector<std::optional<std::string>>& initial_texts = kInitial) {
  const int size = *rc::gen::inRange(1, 24);
  Forest forest;
  for (int i = 0; i < size; ++i) {
    // Half the rows hang near the previous one, which makes deep branches.
    const int lowest = *rc::gen::element(-1, std::max(-1, i - 2));
    forest.parent.push_back(*rc::gen::inRange(lowest, i));
    auto initial = *rc::gen::elementOf(initial_texts);
    // Keep at most one carrier on each branch when asked.
    if (one_per_branch)
      for (int up = forest.parent[i]; up >= 0 && initial; up = forest.parent[up])
        if (forest.field[up]) initial.reset();
    forest.field.push_back(initial);
  }
  return forest;
}

std::unique_ptr<reference_host::AppDocumentImpl> BuildDocument(const Forest& forest) {
  DocumentBuilder builder("p");
  builder.CostAccount("ca-civil", "01", "Civil")
      .CostAccount("ca-steel", "0101", "Steel", "ca-civil")
      .CostAccount("ca-plant", "02", "Plant")
      .Table("t", "Rows");
  for (std::size_t i = 0; i < forest.parent.size(); ++i) {
    builder.Row(RowId(static_cast<int>(i)), forest.parent[i] < 0 ? "" : RowId(forest.parent[i]));
    if (forest.field[i]) builder.WithCostAccount(*forest.field[i]);
  }
  return builder.Build();
}

std::vector<engine::DocumentObject*> AllRows(const reference_host::AppDocumentImpl& doc,
                                             std::size_t count) {
  std::vector<engine::DocumentObject*> rows;
  for (std::size_t i = 0; i < count; ++i)
    rows.push_back(doc.FindObjectById(RowId(static_cast<int>(i))));
  return rows;
}

// An index into kValues.
std::size_t PickValue() { return *rc::gen::inRange<std::size_t>(0, kValues.size()); }

RC_GTEST_PROP(CostAccountAssignmentModel, OneValueForASelectionMatchesRowByRowWalks, ()) {
  Forest model = GenForest(false);
  auto doc = BuildDocument(model);
  const auto all = AllRows(*doc, model.parent.size());
  const auto picks = *test_support::AtMostSize(
      rc::gen::container<std::vector<int>>(rc::gen::inRange(0, static_cast<int>(all.size()))));
  const std::size_t value = PickValue();

  std::vector<engine::DocumentObject*> selection;
  for (int pick : picks) {
    selection.push_back(all[pick]);
    model.Assign(pick, value);
  }
  marrow::qrv::QRVTableFunc func;
  func.SetCostAccount(selection, kValues[value].first);
  RC_ASSERT(Carried(all) == model.State());
  RC_ASSERT(ById(func.GetData()) == model.record);
}

RC_GTEST_PROP(CostAccountAssignmentModel, OwnValuePerRowMatchesRowByRowWalks, ()) {
  Forest model = GenForest(false);
  auto doc = BuildDocument(model);
  const auto all = AllRows(*doc, model.parent.size());
  const int count = *rc::gen::inRange(0, 10);

  std::vector<std::pair<engine::DocumentObject*, std::string>> assignments;
  for (int i = 0; i < count; ++i) {
    const int pick = *rc::gen::inRange(0, static_cast<int>(all.size()));
    const std::size_t value = PickValue();
    assignments.emplace_back(all[pick], kValues[value].first);
    model.Assign(pick, value);
  }
  marrow::qrv::QRVTableFunc func;
  func.SetCostAccount(assignments);
  RC_ASSERT(Carried(all) == model.State());
  RC_ASSERT(ById(func.GetData()) == model.record);
}

RC_GTEST_PROP(CostAccountAssignmentAction, SingleRowTakesItsBranchAndUndoGivesItBack, ()) {
  const Forest initial = GenForest(true);
  auto doc = BuildDocument(initial);
  const auto all = AllRows(*doc, initial.parent.size());
  const int row = *rc::gen::inRange(0, static_cast<int>(all.size()));
  const std::size_t value = *rc::gen::inRange<std::size_t>(0, 4);  // the accepted values
  const std::string resolved = *kValues[value].second;

  reference_host::UndoStack stack(doc.get());
  stack.Push(new marrow::qrv::QRVSetCostAccountSetviceAction({all[row]}, kValues[value].first));
  const Texts assigned = Carried(all);
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::string id = RowId(static_cast<int>(i));
    if (static_cast<int>(i) == row) {
      RC_ASSERT(assigned.count(id) == 1u);
      RC_ASSERT(assigned.at(id) == resolved);
    } else if (initial.Related(row, static_cast<int>(i))) {
      RC_ASSERT(assigned.count(id) == 0u);
    } else {
      RC_ASSERT((assigned.count(id) ? std::optional<std::string>(assigned.at(id)) : std::nullopt) ==
                initial.field[i]);
    }
  }

  // With one carrier per branch the recorded rows are unrelated, so their
  // replays do not disturb each other. Stale text is no id of the tree, so
  // its replay is refused and that row stays empty; when no replay reaches
  // the assigned row, it keeps the assignment.
  stack.Undo();
  Texts expected = initial.State();
  bool replayed = false;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!initial.Related(row, static_cast<int>(i)) || !initial.field[i]) continue;
    if (*initial.field[i] == "junk")
      expected.erase(RowId(static_cast<int>(i)));
    else
      replayed = true;
  }
  if (!replayed) expected[RowId(row)] = resolved;
  RC_ASSERT(Carried(all) == expected);

  stack.Redo();
  RC_ASSERT(Carried(all) == assigned);
}

// What undoing the assignment of |resolved| to |picks| (in that order) leaves
// on |start|, a forest holding ids or "" at one level of each branch at most.
// Every row that held a text holds it again. The rules leave a selected row
// that held none to the replays of recorded rows, and only such a row may end
// holding |resolved|, when it and its branch held nothing before (a branch
// that held a text is replayed last and cleared by it):
// - when no later pick is the row or on its branch, the row is not recorded:
//   it keeps |resolved| unless another pick is on its branch (each such pick
//   came earlier and was recorded when this row cleared it);
// - otherwise the row was recorded with |resolved| itself, and is replayed
//   before the texts held before and deepest first: it keeps |resolved| unless
//   a row above it was recorded the same way.
Texts UndoneState(const Forest& start, const std::vector<int>& picks, const std::string& resolved) {
  const int size = static_cast<int>(start.parent.size());
  std::vector<int> first(size, -1);
  for (std::size_t j = 0; j < picks.size(); ++j)
    if (first[picks[j]] < 0) first[picks[j]] = static_cast<int>(j);
  auto picked_again = [&](int row) {  // a later pick is the row or on its branch
    for (std::size_t j = first[row] + 1; j < picks.size(); ++j)
      if (start.Related(picks[j], row)) return true;
    return false;
  };
  std::vector<bool> rewritten(size, false);  // recorded with |resolved|
  for (int row = 0; row < size; ++row)
    rewritten[row] = first[row] >= 0 && !start.field[row] && picked_again(row);

  Texts state = start.State();
  for (int row = 0; row < size; ++row) {
    if (first[row] < 0 || start.field[row]) continue;
    bool keeps = true;
    for (int other = 0; other < size && keeps; ++other) {
      if (other == row || !start.Related(other, row)) continue;
      if (start.field[other]) keeps = false;  // its branch held a text
      if (rewritten[row] ? rewritten[other] && start.IsAncestor(other, row) : first[other] >= 0)
        keeps = false;
    }
    if (keeps) state[RowId(row)] = resolved;
  }
  return state;
}

RC_GTEST_PROP(CostAccountAssignmentAction, UndoGivesEveryHeldTextBackWhateverTheOrder, ()) {
  // Texts a replay puts back as they were: ids and "" (a replay turns a path
  // into its id and refuses stale text; the single-row property covers those).
  const Forest initial = GenForest(true, {std::nullopt, "", "ca-civil", "ca-steel", "ca-plant"});
  auto doc = BuildDocument(initial);
  const auto all = AllRows(*doc, initial.parent.size());
  const auto picks = *rc::gen::resize(
      16, rc::gen::container<std::vector<int>>(rc::gen::inRange(0, static_cast<int>(all.size()))));
  const std::size_t value = *rc::gen::inRange<std::size_t>(0, 4);  // the accepted values
  const std::string resolved = *kValues[value].second;
  std::vector<engine::DocumentObject*> selection;
  for (int pick : picks) selection.push_back(all[pick]);

  reference_host::UndoStack stack(doc.get());
  stack.Push(new marrow::qrv::QRVSetCostAccountSetviceAction(selection, kValues[value].first));
  const Texts assigned = Carried(all);
  stack.Undo();
  const Texts undone = UndoneState(initial, picks, resolved);
  RC_ASSERT(Carried(all) == undone);

  // Redo takes the same branches again whatever undo left in them; the next
  // undo starts from what the first one left.
  stack.Redo();
  RC_ASSERT(Carried(all) == assigned);
  stack.Undo();
  Forest now = initial;
  for (std::size_t i = 0; i < now.field.size(); ++i) {
    auto it = undone.find(RowId(static_cast<int>(i)));
    now.field[i] = it == undone.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  RC_ASSERT(Carried(all) == UndoneState(now, picks, resolved));
}

}  // namespace
