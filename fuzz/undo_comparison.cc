#include "fuzz/undo_comparison.h"

#include <map>
#include <unordered_set>

namespace fuzz {
namespace {

using nlohmann::json;

const json* Member(const json* object, const std::string& key) {
  if (!object || !object->is_object()) return nullptr;
  auto it = object->find(key);
  return it == object->end() ? nullptr : &*it;
}

const json* Item(const json* array, size_t index) {
  if (!array || !array->is_array() || index >= array->size()) return nullptr;
  return &(*array)[index];
}

// A collection record that lists nothing and belongs to its own line.
bool IsEmptyRecord(const json& record) {
  if (!record.is_object() || record.contains("owner")) return false;
  auto kind = record.find("kind");
  if (kind == record.end() || (*kind != "templete" && *kind != "object")) return false;
  auto copies = record.find("copies");
  return copies == record.end() || (copies->is_array() && copies->empty());
}

// Walks |undone| beside the same place of |start| (null when |start| has
// nothing there) and applies each allowance. |list| names the array that
// holds |undone| ("cost", "entries", ...), "" elsewhere.
void ApplyUndoAllowances(json& undone, const json* start, const std::string& list) {
  if (undone.is_object()) {
    // Empty records.
    auto record = undone.find("record");
    if (record != undone.end() && IsEmptyRecord(*record) && !Member(start, "record"))
      undone.erase(record);
    // Stale caches of cost lines and entries.
    const char* cache = list == "cost"                                   ? "collectedQuantity"
                        : list == "entries" || list == "detachedEntries" ? "registeredQuantity"
                                                                         : nullptr;
    if (cache) {
      if (const json* was = Member(start, cache))
        undone[cache] = *was;
      else
        undone.erase(cache);
    }
    // Rows booked afresh.
    const json* start_fields = Member(start, "fields");
    auto fields = undone.find("fields");
    if (list == "rows" && fields != undone.end() && fields->is_object() &&
        !Member(start_fields, "QRV_CostAccount")) {
      fields->erase("QRV_CostAccount");
      if (fields->empty() && !start_fields) undone.erase(fields);
    }
    for (auto& [key, member] : undone.items())
      ApplyUndoAllowances(member, Member(start, key), member.is_array() ? key : "");
  } else if (undone.is_array()) {
    for (size_t i = 0; i < undone.size(); ++i) ApplyUndoAllowances(undone[i], Item(start, i), list);
  }
}

bool LooksFresh(const std::string& text) {
  if (text.size() != 32) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

void CollectStrings(const json& value, std::unordered_set<std::string>& out) {
  if (value.is_string()) {
    out.insert(value.get<std::string>());
  } else if (value.is_structured()) {
    for (const json& item : value) CollectStrings(item, out);
  }
}

void NumberFresh(json& value, const std::unordered_set<std::string>& known,
                 std::map<std::string, std::string>& names) {
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

// Ids of the parts |start| holds of the pairs |effects| collected into.
std::unordered_set<std::string> PartsOfCollectedPairs(const json& start,
                                                      const ScriptEffects& effects) {
  std::unordered_set<std::string> parts;
  const json* copies = Member(&start, "copies");
  if (!copies || !copies->is_array() || effects.collects.empty()) return parts;
  for (const json& copy : *copies) {
    const json* record = Member(&copy, "record");
    const json* id = Member(&copy, "id");
    const json* budget = Member(record, "budgetItem");
    const json* cost = Member(record, "costItem");
    if (!id || !id->is_string() || !budget || !budget->is_string() || !cost || !cost->is_string())
      continue;
    if (effects.collects.count({budget->get<std::string>(), cost->get<std::string>()}))
      parts.insert(id->get<std::string>());
  }
  return parts;
}

// Leaves |parts| out of |document|: out of the top-level "copies" and out
// of every record's list (a list left empty goes, as a save would drop it).
void LeaveOut(json& document, const std::unordered_set<std::string>& parts) {
  if (parts.empty()) return;
  const auto named = [&parts](const json& item) {
    const json* id = item.is_string() ? &item : Member(&item, "id");
    return id && id->is_string() && parts.count(id->get<std::string>());
  };
  if (document.is_object()) {
    auto copies = document.find("copies");
    if (copies != document.end() && copies->is_array()) {
      json kept = json::array();
      for (const json& item : *copies)
        if (!named(item)) kept.push_back(item);
      if (kept.empty())
        document.erase(copies);
      else
        *copies = std::move(kept);
    }
    for (auto& [key, member] : document.items()) LeaveOut(member, parts);
  } else if (document.is_array()) {
    for (json& item : document) LeaveOut(item, parts);
  }
}

}  // namespace

Comparable UndoComparable(const std::string& start, const std::string& undone,
                          const ScriptEffects& effects) {
  Comparable sides{json::parse(start), json::parse(undone)};
  const std::unordered_set<std::string> released = PartsOfCollectedPairs(sides.want, effects);
  LeaveOut(sides.want, released);
  LeaveOut(sides.got, released);
  ApplyUndoAllowances(sides.got, &sides.want, "");
  return sides;
}

Comparable RedoComparable(const std::string& start, const std::string& end,
                          const std::string& redone, const ScriptEffects& effects) {
  const json start_json = json::parse(start);
  std::unordered_set<std::string> known;
  CollectStrings(start_json, known);
  const std::unordered_set<std::string> released = PartsOfCollectedPairs(start_json, effects);
  Comparable sides{json::parse(end), json::parse(redone)};
  for (json* side : {&sides.want, &sides.got}) {
    LeaveOut(*side, released);
    // The script's own undos left the same kind of differences in |end|.
    ApplyUndoAllowances(*side, &start_json, "");
    std::map<std::string, std::string> names;
    NumberFresh(*side, known, names);
  }
  return sides;
}

}  // namespace fuzz
