#include "reference_host/model/field_container_impl.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>
#include <unordered_map>
#include <utility>

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
  std::memcpy(bytes_, other.bytes_, kInline);
  other.kind_ = static_cast<uint8_t>(Kind::kEmpty);
}

FieldContainerImpl::Field& FieldContainerImpl::Field::operator=(const Field& other) {
  if (this == &other) return *this;
  Release();
  kind_ = static_cast<uint8_t>(Kind::kEmpty);
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
  std::memcpy(bytes_, other.bytes_, kInline);
  other.kind_ = static_cast<uint8_t>(Kind::kEmpty);
  return *this;
}

void FieldContainerImpl::Field::CopyValue(const Field& other) {
  size_ = other.size_;
  std::memcpy(bytes_, other.bytes_, kInline);
  if (other.HoldsShared()) Load<SharedText*>()->AddRef();
  kind_ = other.kind_;
}

void FieldContainerImpl::Field::Set(const engine::FieldValue& value) {
  Release();
  kind_ = static_cast<uint8_t>(Kind::kEmpty);
  size_ = 0;
  std::memset(bytes_, 0, kInline);
  switch (value.kind()) {
    case Kind::kEmpty:
      break;
    case Kind::kBool:
      Store(value.GetBool());
      break;
    case Kind::kInt:
      Store(value.GetInt());
      break;
    case Kind::kDouble:
      Store(value.GetDouble());
      break;
    case Kind::kText: {
      const std::string& text = value.GetString();
      if (text.size() > kInline) {
        size_ = kShared;
        Store(SharedText::Intern(text));
      } else {
        size_ = static_cast<uint8_t>(text.size());
        std::memcpy(bytes_, text.data(), text.size());
      }
      break;
    }
  }
  kind_ = static_cast<uint8_t>(value.kind());
}

engine::FieldValue FieldContainerImpl::Field::ToValue() const {
  switch (kind()) {
    case Kind::kEmpty:
      return engine::FieldValue();
    case Kind::kBool:
      return engine::FieldValue(Load<bool>());
    case Kind::kInt:
      return engine::FieldValue(Load<int>());
    case Kind::kDouble:
      return engine::FieldValue(Load<double>());
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
  block_ = std::exchange(other.block_, nullptr);
  return *this;
}

void FieldContainerImpl::FieldArray::reserve(size_t capacity) {
  if (capacity <= this->capacity()) return;
  if (capacity > UINT32_MAX) throw std::length_error("too many fields in one object");
  auto* grown = static_cast<Block*>(::operator new(sizeof(Block) + capacity * sizeof(Field)));
  grown->size = 0;
  grown->capacity = static_cast<uint32_t>(capacity);
  if (block_) {
    Field* from = block_->fields();
    Field* to = grown->fields();
    for (uint32_t i = 0; i < block_->size; ++i) {
      new (to + i) Field(std::move(from[i]));
      from[i].~Field();
    }
    grown->size = block_->size;
    ::operator delete(block_);
  }
  block_ = grown;
}

FieldContainerImpl::Field* FieldContainerImpl::FieldArray::insert(Field* at, Field field) {
  const size_t index = at - begin();
  if (size() == capacity()) reserve(capacity() == 0 ? 1 : capacity() * 2);
  Field* data = block_->fields();
  const size_t size = block_->size;
  if (index == size) {
    new (data + size) Field(std::move(field));
  } else {
    new (data + size) Field(std::move(data[size - 1]));
    for (size_t i = size - 1; i > index; --i) data[i] = std::move(data[i - 1]);
    data[index] = std::move(field);
  }
  ++block_->size;
  return data + index;
}

void FieldContainerImpl::FieldArray::erase(Field* at) {
  for (Field* next = at + 1; next != end(); ++next) next[-1] = std::move(*next);
  --block_->size;
  block_->fields()[block_->size].~Field();
}

void FieldContainerImpl::FieldArray::Free() {
  if (!block_) return;
  for (uint32_t i = 0; i < block_->size; ++i) block_->fields()[i].~Field();
  ::operator delete(block_);
  block_ = nullptr;
}

// FieldContainerImpl.

FieldContainerImpl::~FieldContainerImpl() = default;

FieldContainerImpl::Field* FieldContainerImpl::LowerBound(std::string_view key) const {
  return std::lower_bound(fields_.begin(), fields_.end(), key,
                          [](const Field& field, std::string_view wanted) {
                            return std::string_view(field.key()) < wanted;
                          });
}

void FieldContainerImpl::RecountKeyBits() {
  key_bits_ = 0;
  for (const Field& field : fields_) key_bits_ |= KeyBit(field.key());
}

const FieldContainerImpl::Field* FieldContainerImpl::FindField(std::string_view key) const {
  if (!(key_bits_ & KeyBit(key))) return nullptr;
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
    key_bits_ |= KeyBit(key);
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
  RecountKeyBits();
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
  RecountKeyBits();
  if (FieldMap* map = this->map()) *map = fields;
  Changed(true);
}

void FieldContainerImpl::AssignFrom(const FieldContainerImpl& other) {
  if (&other == this) return;
  FieldArray stored;
  stored.reserve(other.fields_.size());
  for (const Field& field : other.fields_) stored.insert(stored.end(), field);
  fields_ = std::move(stored);
  RecountKeyBits();
  if (FieldMap* map = this->map()) {
    // In place: a reference to the map stays valid.
    map->clear();
    for (const Field& field : fields_) map->emplace_hint(map->end(), field.key(), field.ToValue());
  }
  Changed(true);
}

}  // namespace reference_host
