#include "reference_host/model/field_container_impl.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <unordered_map>

namespace reference_host {
namespace {

using Kind = engine::FieldValue::Kind;

// Key numbers index chunks of stored keys; a chunk never moves once made,
// so reading a key takes no lock.
constexpr uint32_t kChunkBits = 12;
constexpr uint32_t kChunkSize = uint32_t{1} << kChunkBits;
constexpr uint32_t kMaxChunks = uint32_t{1} << 16;
const std::string** g_key_chunks[kMaxChunks];

}  // namespace

const std::string& FieldKeyName(uint32_t number) {
  return *g_key_chunks[number >> kChunkBits][number & (kChunkSize - 1)];
}

uint32_t InternFieldKey(std::string_view key) {
  // A few recent keys per thread spare the lock: objects are filled with
  // the same keys over and over.
  struct Recent {
    uint32_t numbers[64] = {};
    bool used[64] = {};
  };
  thread_local Recent recent;
  const size_t slot = std::hash<std::string_view>()(key) % 64;
  if (recent.used[slot] && FieldKeyName(recent.numbers[slot]) == key) return recent.numbers[slot];

  static std::mutex mutex;
  // Never destroyed: objects of static storage may still name their keys.
  static auto* numbers = new std::unordered_map<std::string_view, uint32_t>;
  static uint32_t count = 0;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = numbers->find(key);
  if (it == numbers->end()) {
    const uint32_t number = count++;
    const std::string**& chunk = g_key_chunks[number >> kChunkBits];
    if (!chunk) chunk = new const std::string*[kChunkSize];
    const std::string* stored = new std::string(key);
    chunk[number & (kChunkSize - 1)] = stored;
    it = numbers->emplace(*stored, number).first;
  }
  recent.numbers[slot] = it->second;
  recent.used[slot] = true;
  return it->second;
}

// Field.

FieldContainerImpl::Field::Field(Field&& other) noexcept
    : key_(other.key_), kind_(other.kind_), size_(other.size_) {
  std::memcpy(inline_, other.inline_, kInline);
  other.kind_ = static_cast<uint32_t>(Kind::kEmpty);
}

FieldContainerImpl::Field& FieldContainerImpl::Field::operator=(const Field& other) {
  if (this == &other) return *this;
  Release();
  kind_ = static_cast<uint32_t>(Kind::kEmpty);
  key_ = other.key_;
  CopyValue(other);
  return *this;
}

FieldContainerImpl::Field& FieldContainerImpl::Field::operator=(Field&& other) noexcept {
  if (this == &other) return *this;
  Release();
  key_ = other.key_;
  size_ = other.size_;
  kind_ = other.kind_;
  std::memcpy(inline_, other.inline_, kInline);
  other.kind_ = static_cast<uint32_t>(Kind::kEmpty);
  return *this;
}

void FieldContainerImpl::Field::CopyValue(const Field& other) {
  size_ = other.size_;
  if (other.kind() == Kind::kText && other.size_ == kOnHeap) {
    heap_.size = other.heap_.size;
    heap_.data = new char[heap_.size];
    std::memcpy(heap_.data, other.heap_.data, heap_.size);
  } else {
    std::memcpy(inline_, other.inline_, kInline);
  }
  kind_ = other.kind_;
}

void FieldContainerImpl::Field::Set(const engine::FieldValue& value) {
  Release();
  kind_ = static_cast<uint32_t>(Kind::kEmpty);
  size_ = 0;
  std::memset(inline_, 0, kInline);
  switch (value.kind()) {
    case Kind::kEmpty:
      break;
    case Kind::kBool:
      bool_ = value.GetBool();
      break;
    case Kind::kInt:
      int_ = value.GetInt();
      break;
    case Kind::kDouble:
      double_ = value.GetDouble();
      break;
    case Kind::kText: {
      const std::string& text = value.GetString();
      if (text.size() > kInline) {
        size_ = kOnHeap;
        heap_.size = text.size();
        heap_.data = new char[text.size()];
        std::memcpy(heap_.data, text.data(), text.size());
      } else {
        size_ = static_cast<uint32_t>(text.size());
        std::memcpy(inline_, text.data(), text.size());
      }
      break;
    }
  }
  kind_ = static_cast<uint32_t>(value.kind());
}

engine::FieldValue FieldContainerImpl::Field::ToValue() const {
  switch (kind()) {
    case Kind::kEmpty:
      return engine::FieldValue();
    case Kind::kBool:
      return engine::FieldValue(bool_);
    case Kind::kInt:
      return engine::FieldValue(int_);
    case Kind::kDouble:
      return engine::FieldValue(double_);
    case Kind::kText:
      return engine::FieldValue(std::string(text()));
  }
  return engine::FieldValue();
}

// FieldContainerImpl::FieldArray.

FieldContainerImpl::FieldArray& FieldContainerImpl::FieldArray::operator=(
    FieldArray&& other) noexcept {
  if (this == &other) return *this;
  Free();
  data_ = other.data_;
  size_ = other.size_;
  capacity_ = other.capacity_;
  other.data_ = nullptr;
  other.size_ = other.capacity_ = 0;
  return *this;
}

void FieldContainerImpl::FieldArray::reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  Field* grown = static_cast<Field*>(::operator new(capacity * sizeof(Field)));
  for (uint32_t i = 0; i < size_; ++i) {
    new (grown + i) Field(std::move(data_[i]));
    data_[i].~Field();
  }
  ::operator delete(data_);
  data_ = grown;
  capacity_ = static_cast<uint32_t>(capacity);
}

FieldContainerImpl::Field* FieldContainerImpl::FieldArray::insert(Field* at, Field field) {
  const size_t index = at - data_;
  if (size_ == capacity_) reserve(capacity_ == 0 ? 1 : size_t{capacity_} * 2);
  if (index == size_) {
    new (data_ + size_) Field(std::move(field));
  } else {
    new (data_ + size_) Field(std::move(data_[size_ - 1]));
    for (size_t i = size_ - 1; i > index; --i) data_[i] = std::move(data_[i - 1]);
    data_[index] = std::move(field);
  }
  ++size_;
  return data_ + index;
}

void FieldContainerImpl::FieldArray::erase(Field* at) {
  for (Field* next = at + 1; next != end(); ++next) next[-1] = std::move(*next);
  --size_;
  data_[size_].~Field();
}

void FieldContainerImpl::FieldArray::Free() {
  for (uint32_t i = 0; i < size_; ++i) data_[i].~Field();
  ::operator delete(data_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

// FieldContainerImpl.

FieldContainerImpl::~FieldContainerImpl() = default;

FieldContainerImpl::Field* FieldContainerImpl::LowerBound(std::string_view key) const {
  return std::lower_bound(fields_.begin(), fields_.end(), key,
                          [](const Field& field, std::string_view wanted) {
                            return std::string_view(field.key()) < wanted;
                          });
}

const FieldContainerImpl::Field* FieldContainerImpl::FindField(std::string_view key) const {
  auto it = LowerBound(key);
  return it != fields_.end() && it->key() == key ? &*it : nullptr;
}

void FieldContainerImpl::Put(std::string_view key, const engine::FieldValue& value) {
  Field* at = LowerBound(key);
  if (at != fields_.end() && at->key() == key) {
    at->Set(value);
  } else {
    // Objects get their fields one by one: grow by little while they are few.
    if (fields_.size() == fields_.capacity()) {
      const size_t index = at - fields_.begin();
      fields_.reserve(fields_.size() < 8 ? fields_.size() + 2 : fields_.size() * 3 / 2);
      at = fields_.begin() + index;
    }
    fields_.insert(at, Field(InternFieldKey(key), value));
  }
  if (FieldMap* map = this->map()) (*map)[std::string(key)] = value;
}

bool FieldContainerImpl::HasField(const std::string& key) const { return FindField(key); }

bool FieldContainerImpl::GetFieldValue(const std::string& key, engine::FieldValue& value) const {
  const Field* field = FindField(key);
  if (!field) return false;
  value = field->ToValue();
  return true;
}

void FieldContainerImpl::SetFieldValue(const std::string& key, const engine::FieldValue& value,
                                       bool notify) {
  Put(key, value);
  Changed(notify);
}

void FieldContainerImpl::RemoveField(const std::string& key, bool notify) {
  auto it = LowerBound(key);
  if (it == fields_.end() || it->key() != key) return;
  fields_.erase(it);
  if (FieldMap* map = this->map()) map->erase(key);
  Changed(notify);
}

const engine::FieldContainer::FieldMap& FieldContainerImpl::GetAllFields() const {
  if (!extras_) extras_ = std::make_unique<Extras>();
  if (!extras_->map) {
    auto map = std::make_unique<FieldMap>();
    for (const Field& field : fields_) map->emplace_hint(map->end(), field.key(), field.ToValue());
    extras_->map = std::move(map);
  }
  return *extras_->map;
}

void FieldContainerImpl::set_listener(FieldListener* listener) {
  if (!extras_ && !listener) return;
  if (!extras_) extras_ = std::make_unique<Extras>();
  extras_->listener = listener;
}

void FieldContainerImpl::CopyFieldsFrom(const engine::FieldContainer* other) {
  if (!other || other == this) return;
  if (auto* impl = dynamic_cast<const FieldContainerImpl*>(other)) {
    impl->ForEachField([this](const Field& field) { Put(field.key(), field.ToValue()); });
  } else {
    for (const auto& [key, value] : other->GetAllFields()) Put(key, value);
  }
  Changed(true);
}

std::string FieldContainerImpl::GetText(const std::string& key) const {
  const Field* field = FindField(key);
  return field ? std::string(field->text()) : std::string();
}

bool FieldContainerImpl::GetNumber(const std::string& key, double& value) const {
  const Field* field = FindField(key);
  if (!field) return false;
  if (field->kind() == Kind::kDouble) {
    value = field->GetDouble();
    return true;
  }
  if (field->kind() == Kind::kInt) {
    value = field->GetInt();
    return true;
  }
  return false;
}

void FieldContainerImpl::Assign(const FieldMap& fields) {
  if (&fields == map()) return;
  FieldArray stored;
  stored.reserve(fields.size());
  for (const auto& [key, value] : fields)
    stored.insert(stored.end(), Field(InternFieldKey(key), value));
  fields_ = std::move(stored);
  if (FieldMap* map = this->map()) *map = fields;
  Changed(true);
}

void FieldContainerImpl::AssignFrom(const FieldContainerImpl& other) {
  if (&other == this) return;
  FieldArray stored;
  stored.reserve(other.fields_.size());
  for (const Field& field : other.fields_) stored.insert(stored.end(), field);
  fields_ = std::move(stored);
  if (FieldMap* map = this->map()) {
    // In place: a reference to the map stays valid.
    map->clear();
    for (const Field& field : fields_) map->emplace_hint(map->end(), field.key(), field.ToValue());
  }
  Changed(true);
}

}  // namespace reference_host
