// Reading assignment outcomes by object id, shared by the assignment tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/engine/document_object.h"
#include "host/engine/field_container.h"
#include "host/engine/field_value.h"

namespace cost_account_test {

inline constexpr char kCostAccountKey[] = "QRV_CostAccount";

// A worker's record keyed by id instead of address.
inline std::map<std::string, std::string> ById(
    const std::map<engine::DocumentObject*, std::string>& record) {
  std::map<std::string, std::string> out;
  for (const auto& [object, text] : record) out.emplace(object->GetId(), text);
  return out;
}

// "QRV_CostAccount" of each object that carries it, by id; a value that is
// not text shows as "<other>".
inline std::map<std::string, std::string> Carried(const std::vector<engine::DocumentObject*>& objects) {
  std::map<std::string, std::string> out;
  for (engine::DocumentObject* object : objects) {
    engine::FieldValue value;
    if (!object->GetFieldContainer()->GetFieldValue(kCostAccountKey, value)) continue;
    out.emplace(object->GetId(), value.IsText() ? value.GetString() : "<other>");
  }
  return out;
}

}  // namespace cost_account_test
