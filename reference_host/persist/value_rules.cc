#include "reference_host/persist/value_rules.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "host/engine/sub_project.h"

namespace reference_host {
namespace persist {
namespace {

// A number as the file would spell it, non-finite ones by name.
std::string Spell(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  return nlohmann::json(value).dump();
}

}  // namespace

std::string CheckNodeKind(int kind) {
  if (kind >= kMinNodeKind && kind <= kMaxNodeKind) return std::string();
  return "node kind " + std::to_string(kind) +
         " is not one of 0 (bill tree root), 1 (measure item), 2 (bill), 3 and 4 (entries)";
}

std::string CheckMeasureKind(int kind) {
  if (kind >= kMinMeasureKind && kind <= kMaxMeasureKind) return std::string();
  return "measure kind " + std::to_string(kind) + " is not a measure code (0 to 16)";
}

std::string CheckSubProjectKind(int kind) {
  if (kind >= engine::kSubProjectWhole && kind <= engine::kSubProjectUnit) return std::string();
  return "sub-project kind " + std::to_string(kind) +
         " is not one of 1 (whole), 2 (single), 3 (unit)";
}

std::string CheckQuantity(double quantity) {
  if (std::isfinite(quantity)) return std::string();
  return "a quantity must be a finite number, not " + Spell(quantity);
}

std::string CheckCollectRatio(double ratio) {
  if (std::isfinite(ratio) && ratio > 0) return std::string();
  return "a collect ratio must be a finite number above 0, not " + Spell(ratio);
}

}  // namespace persist
}  // namespace reference_host
