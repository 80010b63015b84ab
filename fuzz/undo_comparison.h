// How the ops fuzzer compares saved documents across undo and redo. Each
// comparison parses both saved texts (docs/format.md) and makes equal what
// the library's own rules let differ (docs/cli.md, "What undo promises");
// what is left must match exactly.
#pragma once

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>

namespace fuzz {

// What a script did that decides what may differ. Pairs are (budget line
// id, cost line id).
struct ScriptEffects {
  // Every applied collect.
  std::set<std::pair<std::string, std::string>> collects;
  // Every applied release (uncollect), and the parts it released.
  std::set<std::pair<std::string, std::string>> releases;
  std::set<std::string> released;
  // Whether one pair was collected twice and the script undid any step:
  // undoing the later collect released the earlier one's part too.
  bool undid_repeated_collect = false;
  // The budget lines of the parts whose quantity an applied change set.
  std::set<std::string> changed_lines;
  // Whether the script itself undid a set-cost-account step.
  bool undid_account_step = false;
};

// Two documents ready to compare with ==.
struct Comparable {
  nlohmann::json want, got;
};

// The start document against the one after undoing every step. The
// differences allowed, one function each in undo_comparison.cc (the order
// of docs/cli.md):
//  - EmptyRecords: a collect leaves the records it attached, listing
//    nothing, where the start had none;
//  - ReleasedWithCollect: undoing a collect releases every part of that
//    budget line in that cost line, also parts the start had there;
//  - RestoredParts: undoing a release collects the part again under its id
//    as a fresh copy of its budget line, listed last;
//  - ReleasedFromLinkedLines: except from a cost line that carries links,
//    which is no collection target: the released part stays released;
//  - RatioLastDigit and StaleCaches: undoing a quantity change sets the
//    ratio from the former quantity (the last binary digit may differ),
//    and the cached "collectedQuantity" of cost lines and
//    "registeredQuantity" of entries hold whatever the last recalculation
//    gave;
//  - EntryAccounts: a contract entry's former account that is no id of the
//    tree is not put back (a path comes back as its id);
//  - RowAccounts: a row that carried nothing may keep the assigned account
//    when nothing on its branch carried one; a former path comes back as
//    its id, a former value that is not text as ""; branches booked at two
//    levels, or holding a text that is no account, promise nothing.
Comparable UndoComparable(const std::string& start, const std::string& undone,
                          const ScriptEffects& effects);

// Whether redoing can repeat the first run at all. Not when undoing a
// collect released parts |start| already had in that cost line (see
// ReleasedWithCollect): the redone steps then meet other quantities than
// the first run did (a collect within 0.0001 of what is left snaps to it
// in one run and not in the other). Nor when an undo in the script
// released the part of an earlier collect of the same lines, which stays
// applied: its redo makes the part again. Nor when a pair was both
// collected and released and its budget line was collected elsewhere or
// had a part changed too: the redone release may find nothing to release
// (RedoneReleaseMisses below), and the steps after it meet less left to
// collect.
bool RedoCanRepeat(const std::string& start, const ScriptEffects& effects);

// The document the script left against the one after undoing every step
// and redoing those the script had applied. The script's own undos leave
// the differences above, so both sides get them, measured against the
// start. Besides:
//  - a redo makes its parts afresh, so ids the start did not hold (the
//    host's fresh ids, 32 hex digits) are numbered "fresh-1", "fresh-2",
//    ... in the order they first appear on each side;
//  - a release the script undid itself left the part listed last, with its
//    ratio made anew (RestoredParts, RatioLastDigit between the sides);
//  - RedoneReleaseMisses: a redone release follows the copy its own undo
//    made, so where that copy was released again with a collect, the part
//    the redone collect made stays collected: fresh parts of pairs both
//    collected and released are left out;
//  - AccountsOfUndoneSteps: when the script undid a set-cost-account step
//    itself, what that undo left on rows and entries depends on the
//    document before the step, not on the start, so their accounts are
//    not compared.
Comparable RedoComparable(const std::string& start, const std::string& end,
                          const std::string& redone, const ScriptEffects& effects);

}  // namespace fuzz
