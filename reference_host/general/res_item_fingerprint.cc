// The general services library's fingerprint bases (see the header for how a
// fingerprint is made).
#include "host/marrow/res_item_fingerprint.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "host/engine/field_container.h"
#include "host/engine/field_value.h"
#include "host/engine/res_item.h"

namespace marrow {
namespace {

constexpr uint64_t kFnvOffsetBasis = 14695981039346656037ULL;
constexpr uint64_t kFnvPrime = 1099511628211ULL;

uint64_t Fnv1a64(const std::string& bytes) {
  uint64_t hash = kFnvOffsetBasis;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= kFnvPrime;
  }
  return hash;
}

// Length-prefixed, so no choice of keys and values can run into another.
void WriteChunk(std::ostream& out, const std::string& text) { out << text.size() << ':' << text; }

constexpr char kProvisionalKey[] = "BRIProvisional";

}  // namespace

ResItemFingerprint::ResItemFingerprint() : visited_(8) { visited_.max_load_factor(1.0f); }

ResItemFingerprint::~ResItemFingerprint() = default;

uint64_t ResItemFingerprint::GetFingerprint(engine::ResItem* item) {
  if (!item || !IsValid(item)) return 0;
  BeginFingerprint();
  VisitFields(item);
  return FinishFingerprint(item);
}

bool ResItemFingerprint::IsValid(engine::ResItem* item) { return item != nullptr; }

std::string ResItemFingerprint::GetOtherFinger(engine::ResItem*) { return std::string(); }

bool ResItemFingerprint::IsPlainFingerprint() const { return true; }

void ResItemFingerprint::Visit(const std::string& key, const std::string& value) {
  visited_[key] = "s" + value;
}

void ResItemFingerprint::Visit(const std::string& key, double value) {
  // The bit pattern: every distinct double (0.0 and -0.0 too) stays distinct.
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  visited_[key] = "d" + std::to_string(bits);
}

void ResItemFingerprint::Visit(const std::string& key, int value) {
  visited_[key] = "i" + std::to_string(value);
}

void ResItemFingerprint::Visit(const std::string& key, bool value) {
  visited_[key] = value ? "b1" : "b0";
}

void ResItemFingerprint::BeginFingerprint() {
  visited_.clear();
  stream_.str(std::string());
  stream_.clear();
}

void ResItemFingerprint::VisitFields(engine::ResItem* item) {
  const engine::FieldContainer* fields = item ? item->GetFieldContainer() : nullptr;
  if (!fields) return;
  for (const auto& [key, value] : fields->GetAllFields()) {
    switch (value.kind()) {
      case engine::FieldValue::Kind::kText:
        Visit(key, value.GetString());
        break;
      case engine::FieldValue::Kind::kDouble:
        Visit(key, value.GetDouble());
        break;
      case engine::FieldValue::Kind::kInt:
        Visit(key, value.GetInt());
        break;
      case engine::FieldValue::Kind::kBool:
        Visit(key, value.GetBool());
        break;
      case engine::FieldValue::Kind::kEmpty:
        break;
    }
  }
}

uint64_t ResItemFingerprint::FinishFingerprint(engine::ResItem* item) {
  std::vector<const std::pair<const std::string, std::string>*> records;
  records.reserve(visited_.size());
  for (const auto& record : visited_) records.push_back(&record);
  std::sort(records.begin(), records.end(),
            [](const auto* a, const auto* b) { return a->first < b->first; });
  for (const auto* record : records) {
    WriteChunk(stream_, record->first);
    WriteChunk(stream_, record->second);
  }
  stream_ << '|';
  WriteChunk(stream_, GetOtherFinger(item));
  return Fnv1a64(stream_.str());
}

ResItemZGFingerprint::ResItemZGFingerprint() = default;
ResItemZGFingerprint::~ResItemZGFingerprint() = default;

bool ResItemZGFingerprint::IsPlainFingerprint() const { return false; }

bool ResItemZGFingerprint::IsValid(engine::ResItem* item) {
  if (!ResItemFingerprint::IsValid(item)) return false;
  const engine::FieldContainer* fields = item->GetFieldContainer();
  engine::FieldValue value;
  if (!fields || !fields->GetFieldValue(kProvisionalKey, value)) return false;
  switch (value.kind()) {
    case engine::FieldValue::Kind::kBool:
      return value.GetBool();
    case engine::FieldValue::Kind::kInt:
      return value.GetInt() != 0;
    case engine::FieldValue::Kind::kDouble:
      return value.GetDouble() != 0.0;
    default:
      return false;
  }
}

}  // namespace marrow
