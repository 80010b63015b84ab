// How the ops fuzzer compares saved documents across undo and redo. Each
// comparison parses both saved texts (docs/format.md) and makes equal what
// the undo allowances let differ; what is left must match exactly.
#pragma once

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>

namespace fuzz {

// What a script did that decides what may differ.
struct ScriptEffects {
  // (budget line id, cost line id) of every collect that was applied.
  std::set<std::pair<std::string, std::string>> collects;
};

// Two documents ready to compare with ==.
struct Comparable {
  nlohmann::json want, got;
};

// The start document against the one after undoing every step. The undo
// allowances, one step each of ApplyUndoAllowances (and one line each in
// docs/fuzzing.md; docs/cli.md says what undo promises):
//  - empty records: an undone collect leaves the collection records it
//    attached, now listing nothing ({"kind": "templete"} / {"kind":
//    "object"}), where the start had no record;
//  - stale caches: the collection engine recalculates a cost line and its
//    contract entry when a part's quantity changes (an undo's change too),
//    but not on collect or release, so "collectedQuantity" of a cost line
//    and "registeredQuantity" of an entry may hold a figure from any step
//    in between; they are not compared, the parts they sum up are;
//  - released with a collect: undoing a collect releases every part of
//    that budget line in that cost line, so parts the start already had
//    there may be gone; they are left out of both sides.
//  - rows booked afresh: an assignment records a table row only when it
//    carries "QRV_CostAccount", so a row that had none keeps what it was
//    given (or the "" a clearing wrote) unless the undo of a recorded
//    relative clears it.
Comparable UndoComparable(const std::string& start, const std::string& undone,
                          const ScriptEffects& effects);

// The document the script left against the one after undoing every step
// and redoing those the script had applied. Undos in the script and the
// undo of everything leave the differences above, so both sides get the
// allowances, measured against the start. A redo makes its parts afresh,
// so ids the start did not hold (the host's fresh ids, 32 hex digits) are
// renamed "fresh-1", "fresh-2", ... in the order they first appear on each
// side.
Comparable RedoComparable(const std::string& start, const std::string& end,
                          const std::string& redone, const ScriptEffects& effects);

}  // namespace fuzz
