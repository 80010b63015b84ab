#include "fuzz/undo_comparison.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fuzz {
namespace {

using nlohmann::json;
using Ids = std::unordered_set<std::string>;

constexpr char kAccount[] = "QRV_CostAccount";
constexpr char kRatio[] = "QRV_RICollectRatio";

const json* Member(const json* object, const std::string& key) {
  if (!object || !object->is_object()) return nullptr;
  auto it = object->find(key);
  return it == object->end() ? nullptr : &*it;
}

json* Member(json* object, const std::string& key) {
  return const_cast<json*>(Member(static_cast<const json*>(object), key));
}

// An object's id as a map key (ids may be {"bytes": ...} forms).
std::string IdOf(const json& object) {
  const json* id = Member(&object, "id");
  return id ? id->dump() : std::string();
}

std::string Text(const json* value) {
  return value && value->is_string() ? value->get<std::string>() : std::string();
}

// Calls |visit| with every object standing in an array named |list|
// anywhere in |document|: "budget" and "cost" give the lines, "entries" the
// entries, "rows" the rows.
template <class Json, class Visit>
void EachIn(Json& document, const std::string& list, Visit visit, bool inside = false) {
  if (document.is_object()) {
    for (auto& [key, member] : document.items()) EachIn(member, list, visit, key == list);
  } else if (document.is_array()) {
    for (auto& item : document) {
      if (inside && item.is_object()) visit(item);
      EachIn(item, list, visit, false);
    }
  }
}

template <class Json>
std::unordered_map<std::string, Json*> ById(Json& document, const std::string& list) {
  std::unordered_map<std::string, Json*> out;
  EachIn(document, list, [&out](Json& item) { out.emplace(IdOf(item), &item); });
  return out;
}

// The top-level "copies" of |document|, by id.
template <class Json>
std::unordered_map<std::string, Json*> Copies(Json& document) {
  std::unordered_map<std::string, Json*> out;
  if (auto* copies = Member(&document, "copies"); copies && copies->is_array())
    for (auto& copy : *copies) out.emplace(IdOf(copy), &copy);
  return out;
}

void EraseField(json& object, const char* key) {
  json* fields = Member(&object, "fields");
  if (!fields || !fields->is_object()) return;
  fields->erase(key);
  if (fields->empty()) object.erase("fields");
}

// Leaves the parts |ids| (dumped ids) out of |document|: out of the
// top-level "copies" and out of every record's list (a list left empty
// goes, as a save would drop it).
void LeaveOut(json& document, const Ids& ids) {
  if (ids.empty()) return;
  if (document.is_object()) {
    auto copies = document.find("copies");
    if (copies != document.end() && copies->is_array()) {
      json kept = json::array();
      for (const json& item : *copies)
        if (!ids.count(item.is_object() ? IdOf(item) : item.dump())) kept.push_back(item);
      if (kept.empty())
        document.erase(copies);
      else
        *copies = std::move(kept);
    }
    for (auto& [key, member] : document.items()) LeaveOut(member, ids);
  } else if (document.is_array()) {
    for (json& item : document) LeaveOut(item, ids);
  }
}

// The parts of |document| whose copy record names one of |pairs|.
Ids PartsOf(const json& document, const std::set<std::pair<std::string, std::string>>& pairs) {
  Ids parts;
  for (const auto& [id, copy] : Copies(document)) {
    const json* record = Member(copy, "record");
    const json* budget = Member(record, "budgetItem");
    const json* cost = Member(record, "costItem");
    if (budget && budget->is_string() && cost && cost->is_string() &&
        pairs.count({budget->get<std::string>(), cost->get<std::string>()}))
      parts.insert(id);
  }
  return parts;
}

// Ids of the lines whose record lists the part |id|, in document order.
std::vector<std::string> ListedBy(const json& document, const std::string& id) {
  std::vector<std::string> lines;
  for (const char* side : {"budget", "cost"})
    EachIn(document, side, [&](const json& line) {
      const json* copies = Member(Member(&line, "record"), "copies");
      if (!copies || !copies->is_array()) return;
      for (const json& listed : *copies)
        if (listed.dump() == id) lines.push_back(IdOf(line));
    });
  return lines;
}

// Whether the ratios |a| and |b| differ at most in their last binary digits.
bool SameRatio(const json* a, const json* b) {
  if (!a || !b || !a->is_number() || !b->is_number()) return a && b && *a == *b;
  const double x = a->get<double>(), y = b->get<double>();
  return std::fabs(x - y) <= 1e-12 * std::max(std::fabs(x), std::fabs(y));
}

// The cost account tree of |document|: ids, and the id of each path.
struct Accounts {
  Ids ids;
  std::map<std::string, json> by_path;
};

Accounts AccountsOf(const json& document) {
  Accounts accounts;
  std::function<void(const json*, const std::string&)> walk = [&](const json* list,
                                                                  const std::string& above) {
    if (!list || !list->is_array()) return;
    for (const json& account : *list) {
      const json* id = Member(&account, "id");
      const json* name = Member(&account, "name");
      if (!id) continue;
      accounts.ids.insert(id->dump());
      const std::string path = above + (above.empty() ? "" : "/") + Text(name);
      if (name && name->is_string()) accounts.by_path.emplace(path, *id);
      walk(Member(&account, "accounts"), path);
    }
  };
  walk(Member(Member(Member(&document, "project"), "costAccounts"), "accounts"), "");
  return accounts;
}

// The allowances, each one documented difference (docs/cli.md). |got| is
// made equal to |start| where the difference is allowed.

void EmptyRecords(json& got, const json& start) {
  const auto lines = ById(start, "budget");
  const auto cost_lines = ById(start, "cost");
  for (const char* side : {"budget", "cost"})
    EachIn(got, side, [&](json& line) {
      const json* record = Member(&line, "record");
      if (!record || !record->is_object() || record->contains("owner")) return;
      const json* copies = Member(record, "copies");
      if (copies && !(copies->is_array() && copies->empty())) return;
      const auto& before = side[0] == 'b' ? lines : cost_lines;
      auto it = before.find(IdOf(line));
      if (it != before.end() && !Member(it->second, "record")) line.erase("record");
    });
}

void ReleasedWithCollect(json& got, const json& start, const ScriptEffects& effects) {
  LeaveOut(got, PartsOf(start, effects.collects));
}

// The released parts of |effects| that stood in a cost line carrying
// links in |start|: such a line is no collection target, so the undo of
// the release restores nothing there.
Ids ReleasedFromLinkedLines(const json& start, const ScriptEffects& effects) {
  Ids linked_lines, parts;
  EachIn(start, "cost", [&](const json& line) {
    const json* linked = Member(&line, "linked");
    if (linked && linked->is_array() && !linked->empty()) linked_lines.insert(IdOf(line));
  });
  const auto copies = Copies(start);
  for (const std::string& id : effects.released) {
    const std::string key = json(id).dump();
    auto copy = copies.find(key);
    if (copy == copies.end()) continue;
    const json* cost = Member(Member(copy->second, "record"), "costItem");
    if (cost && linked_lines.count(cost->dump())) parts.insert(key);
  }
  return parts;
}

// Takes the cost account of every row and contract entry out of |side|.
void EraseAccounts(json& side) {
  for (const char* list : {"rows", "entries", "detachedEntries"})
    EachIn(side, list, [](json& object) { EraseField(object, kAccount); });
}

// Whether |side| holds the released part |id| as the undo of its release
// makes it: a fresh copy of its budget line as the line is then (fields,
// quantity, entry, source reference, no content), the ratio of the
// released quantity, listed by the same lines as in |start|.
bool RestoredAsCopy(const json& side, const json& start, const std::string& id) {
  const auto start_copies = Copies(start), side_copies = Copies(side);
  const auto before = start_copies.find(id);
  const auto after = side_copies.find(id);
  if (before == start_copies.end() || after == side_copies.end()) return false;
  const json& part = *after->second;
  const json* budget_id = Member(Member(&part, "record"), "budgetItem");
  if (!budget_id) return false;
  const auto budget_lines = ById(side, "budget");
  const auto budget = budget_lines.find(budget_id->dump());
  if (budget == budget_lines.end()) return false;
  const json& line = *budget->second;
  json fresh = {{"id", *Member(&part, "id")}, {"record", *Member(&part, "record")}};
  for (const char* key : {"quantity", "entry", "sourceRef"})
    if (const json* value = Member(&line, key)) fresh[key] = *value;
  json fields = Member(&line, "fields") ? *Member(&line, "fields") : json::object();
  if (const json* ratio = Member(Member(&part, "fields"), kRatio)) fields[kRatio] = *ratio;
  if (!fields.empty()) fresh["fields"] = fields;
  return fresh == part &&
         SameRatio(Member(Member(before->second, "fields"), kRatio),
                   Member(Member(&part, "fields"), kRatio)) &&
         ListedBy(side, id) == ListedBy(start, id);
}

void RatioLastDigit(json& got, const json& start) {
  const auto before = Copies(start);
  for (auto& [id, part] : Copies(got)) {
    auto it = before.find(id);
    if (it == before.end()) continue;
    const json* was = Member(Member(it->second, "fields"), kRatio);
    json* now = Member(Member(part, "fields"), kRatio);
    if (was && now && *was != *now && SameRatio(was, now)) *now = *was;
  }
}

void StaleCaches(json& got, const json& start) {
  const auto restore = [](json& object, const json* before, const char* key) {
    if (const json* was = Member(before, key))
      object[key] = *was;
    else
      object.erase(key);
  };
  const auto cost_lines = ById(start, "cost");
  EachIn(got, "cost", [&](json& line) {
    auto it = cost_lines.find(IdOf(line));
    restore(line, it == cost_lines.end() ? nullptr : it->second, "collectedQuantity");
  });
  for (const char* list : {"entries", "detachedEntries"}) {
    const auto entries = ById(start, list);
    EachIn(got, list, [&](json& entry) {
      auto it = entries.find(IdOf(entry));
      restore(entry, it == entries.end() ? nullptr : it->second, "registeredQuantity");
    });
  }
}

// A former account |was| that comes back as |now| counts as given back:
// a path comes back as its account's id.
bool ComesBackAs(const json* was, const json* now, const Accounts& accounts) {
  if (!was || !now || !was->is_string()) return false;
  auto path = accounts.by_path.find(was->get<std::string>());
  return path != accounts.by_path.end() && !accounts.ids.count(was->dump()) && path->second == *now;
}

void EntryAccounts(json& got, const json& start, const Accounts& accounts) {
  const json* groups = Member(Member(&start, "project"), "contractGroups");
  std::unordered_map<std::string, const json*> before;
  if (groups) EachIn(*groups, "entries", [&](const json& e) { before.emplace(IdOf(e), &e); });
  json* got_groups = Member(Member(&got, "project"), "contractGroups");
  if (!got_groups) return;
  EachIn(*got_groups, "entries", [&](json& entry) {
    auto it = before.find(IdOf(entry));
    if (it == before.end()) return;
    const json* was = Member(Member(it->second, "fields"), kAccount);
    json* now = Member(Member(&entry, "fields"), kAccount);
    if (!was ||
        (was->is_string() && (was->get<std::string>().empty() || accounts.ids.count(was->dump()))))
      return;  // given back exactly
    if (ComesBackAs(was, now, accounts))
      *now = *was;
    else if (!was->is_string() || !accounts.by_path.count(was->get<std::string>()))
      entry["fields"][kAccount] = *was;  // not put back: the entry keeps what it was given
  });
}

// One row of a start table beside the same row of |got|.
struct RowPair {
  json* got;
  const json* start;
  int parent;  // index in the list, -1 at the top
  int top;     // index of the row at the top of its tree
};

void RowAccounts(json& got, const json& start, const Accounts& accounts) {
  const json* tables = Member(Member(&start, "project"), "tables");
  json* got_tables = Member(Member(&got, "project"), "tables");
  if (!tables || !got_tables || tables->size() != got_tables->size()) return;
  std::vector<RowPair> rows;
  std::function<void(json*, const json*, int, int)> walk = [&](json* here, const json* was,
                                                               int parent, int top) {
    json* list = Member(here, "rows");
    const json* before = Member(was, "rows");
    if (!list || !before || list->size() != before->size()) return;
    for (size_t i = 0; i < list->size(); ++i) {
      if (IdOf((*list)[i]) != IdOf((*before)[i])) return;
      const int index = static_cast<int>(rows.size());
      rows.push_back({&(*list)[i], &(*before)[i], parent, top < 0 ? index : top});
      walk(&(*list)[i], &(*before)[i], index, top < 0 ? index : top);
    }
  };
  for (size_t t = 0; t < tables->size(); ++t) walk(&(*got_tables)[t], &(*tables)[t], -1, -1);

  const auto carried = [&](int i) { return Member(Member(rows[i].start, "fields"), kAccount); };
  // Trees (under one top row) that promise nothing: booked at two levels of
  // a branch, or holding a text that is no account.
  std::unordered_set<int> loose_trees;
  // Whether a row above or below each row carried an account.
  std::vector<bool> booked_above(rows.size()), booked_below(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    for (int up = rows[i].parent; up >= 0; up = rows[up].parent)
      booked_above[i] = booked_above[i] || carried(up);
    const json* was = carried(i);
    if (!was) continue;
    if (booked_above[i]) loose_trees.insert(rows[i].top);
    if (was->is_string() && !was->get<std::string>().empty() && !accounts.ids.count(was->dump()) &&
        !accounts.by_path.count(was->get<std::string>()))
      loose_trees.insert(rows[i].top);
    for (int up = rows[i].parent; up >= 0; up = rows[up].parent) booked_below[up] = true;
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const json* was = carried(i);
    json* now = Member(Member(rows[i].got, "fields"), kAccount);
    if (loose_trees.count(rows[i].top)) {
      EraseField(*rows[i].got, kAccount);
      continue;
    }
    if (!was) {
      if (!booked_above[i] && !booked_below[i]) EraseField(*rows[i].got, kAccount);
    } else if (ComesBackAs(was, now, accounts) || (!was->is_string() && now && *now == json(""))) {
      *now = *was;
    }
  }
}

// |start| with the loose trees' row accounts left out too, so that both
// sides compare alike.
void LooseRowsOfStart(json& start, const Accounts& accounts) {
  const json copy = start;
  RowAccounts(start, copy, accounts);
}

void ApplyAllowances(json& got, const json& start, const Accounts& accounts) {
  EmptyRecords(got, start);
  RatioLastDigit(got, start);
  StaleCaches(got, start);
  EntryAccounts(got, start, accounts);
  RowAccounts(got, start, accounts);
}

bool LooksFresh(const std::string& text) {
  if (text.size() != 32) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

void CollectStrings(const json& value, Ids& out) {
  if (value.is_string()) {
    out.insert(value.get<std::string>());
  } else if (value.is_structured()) {
    for (const json& item : value) CollectStrings(item, out);
  }
}

void NumberFresh(json& value, const Ids& known, std::map<std::string, std::string>& names) {
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    if (!LooksFresh(text) || known.count(text)) return;
    auto [it, added] = names.emplace(text, "");
    if (added) it->second = "fresh-" + std::to_string(names.size());
    value = it->second;
  } else if (value.is_structured()) {
    for (json& item : value) NumberFresh(item, known, names);
  }
}

// The parts released by the script that |side| holds as restored copies.
Ids RestoredParts(const json& side, const json& start, const ScriptEffects& effects) {
  Ids restored;
  for (const std::string& id : effects.released) {
    const std::string key = json(id).dump();
    if (RestoredAsCopy(side, start, key)) restored.insert(key);
  }
  return restored;
}

}  // namespace

Comparable UndoComparable(const std::string& start, const std::string& undone,
                          const ScriptEffects& effects) {
  Comparable sides{json::parse(start), json::parse(undone)};
  const Accounts accounts = AccountsOf(sides.want);
  ReleasedWithCollect(sides.got, sides.want, effects);
  ReleasedWithCollect(sides.want, sides.want, effects);
  Ids left_out = RestoredParts(sides.got, sides.want, effects);
  const Ids not_restored = ReleasedFromLinkedLines(sides.want, effects);
  left_out.insert(not_restored.begin(), not_restored.end());
  LeaveOut(sides.got, left_out);
  LeaveOut(sides.want, left_out);
  ApplyAllowances(sides.got, sides.want, accounts);
  LooseRowsOfStart(sides.want, accounts);
  return sides;
}

bool RedoCanRepeat(const std::string& start, const ScriptEffects& effects) {
  if (effects.undid_repeated_collect) return false;
  for (const auto& [budget, cost] : effects.collects) {
    if (!effects.releases.count({budget, cost})) continue;
    if (effects.changed_lines.count(budget)) return false;
    for (const auto& other : effects.collects)
      if (other.first == budget && other.second != cost) return false;
  }
  return effects.collects.empty() || PartsOf(json::parse(start), effects.collects).empty();
}

Comparable RedoComparable(const std::string& start, const std::string& end,
                          const std::string& redone, const ScriptEffects& effects) {
  json start_json = json::parse(start);
  const Accounts accounts = AccountsOf(start_json);
  Ids known;
  CollectStrings(start_json, known);
  std::set<std::pair<std::string, std::string>> both;
  for (const auto& pair : effects.collects)
    if (effects.releases.count(pair)) both.insert(pair);
  Comparable sides{json::parse(end), json::parse(redone)};
  // RestoredParts: the same part on both sides, in the same records, but
  // perhaps elsewhere in their lists, and with its ratio made anew
  // (RatioLastDigit).
  RatioLastDigit(sides.want, sides.got);
  Ids moved;
  const auto want_copies = Copies(sides.want), got_copies = Copies(sides.got);
  for (const std::string& id : effects.released) {
    const std::string key = json(id).dump();
    auto in_want = want_copies.find(key), in_got = got_copies.find(key);
    if (in_want != want_copies.end() && in_got != got_copies.end() &&
        *in_want->second == *in_got->second &&
        ListedBy(sides.want, key) == ListedBy(sides.got, key))
      moved.insert(key);
  }
  for (json* side : {&sides.want, &sides.got}) {
    LeaveOut(*side, moved);
    ReleasedWithCollect(*side, start_json, effects);
    // RedoneReleaseMisses: parts made afresh for pairs also released.
    Ids missed;
    for (const std::string& id : PartsOf(*side, both))
      if (!Copies(start_json).count(id)) missed.insert(id);
    LeaveOut(*side, missed);
    ApplyAllowances(*side, start_json, accounts);
    // AccountsOfUndoneSteps: measured against the document before the
    // step, which the start does not show.
    if (effects.undid_account_step) EraseAccounts(*side);
    std::map<std::string, std::string> names;
    NumberFresh(*side, known, names);
  }
  return sides;
}

}  // namespace fuzz
