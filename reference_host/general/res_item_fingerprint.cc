// The general services library's fingerprint bases (see the header for how a
// fingerprint is made).
#include "host/marrow/res_item_fingerprint.h"

#include <algorithm>
#include <charconv>
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
void AppendChunk(std::string& text, const std::string& chunk) {
  char digits[24];
  const char* end = std::to_chars(digits, digits + sizeof(digits), chunk.size()).ptr;
  text.append(digits, static_cast<size_t>(end - digits));
  text += ':';
  text += chunk;
}

// |tag| and the decimal digits of |value| into |out|, keeping its storage.
template <class Integer>
void SetTagged(std::string& out, char tag, Integer value) {
  char digits[24];
  const char* end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
  out.assign(1, tag);
  out.append(digits, static_cast<size_t>(end - digits));
}

constexpr char kProvisionalKey[] = "BRIProvisional";
// Field keys are a small vocabulary; past this many the records are dropped.
constexpr size_t kMostKeptRecords = 256;

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
  Record& record = visited_[key];
  record.value.assign(1, 's');
  record.value += value;
  record.pass = pass_;
}

void ResItemFingerprint::Visit(const std::string& key, double value) {
  // The bit pattern: every distinct double (0.0 and -0.0 too) stays distinct.
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  Record& record = visited_[key];
  SetTagged(record.value, 'd', bits);
  record.pass = pass_;
}

void ResItemFingerprint::Visit(const std::string& key, int value) {
  Record& record = visited_[key];
  SetTagged(record.value, 'i', value);
  record.pass = pass_;
}

void ResItemFingerprint::Visit(const std::string& key, bool value) {
  Record& record = visited_[key];
  record.value = value ? "b1" : "b0";
  record.pass = pass_;
}

void ResItemFingerprint::BeginFingerprint() {
  // A new pass makes every earlier record stale without freeing it; lines
  // with ever new keys would keep too many, so they start afresh.
  if (++pass_ == 0 || visited_.size() > kMostKeptRecords) {
    visited_.clear();
    pass_ = 1;
  }
  text_.clear();
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
  current_.clear();
  for (const auto& record : visited_)
    if (record.second.pass == pass_) current_.push_back(&record);
  std::sort(current_.begin(), current_.end(),
            [](const auto* a, const auto* b) { return a->first < b->first; });
  for (const auto* record : current_) {
    AppendChunk(text_, record->first);
    AppendChunk(text_, record->second.value);
  }
  text_ += '|';
  AppendChunk(text_, GetOtherFinger(item));
  return Fnv1a64(text_);
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
