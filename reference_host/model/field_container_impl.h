// The fields of one host object, kept in key order. Owned by its object.
//
// Stored compactly, since a document of a million objects holds several
// million fields: one array of 16-byte slots per object, each with the number
// of an interned key (the same few dozen keys recur in every object) and the
// value in place, texts of up to 10 bytes included; a longer text is a
// SharedText, stored once however many fields hold it. GetAllFields() builds the engine's ordered
// map on first use and keeps it in step from then on, so a reference to it stays valid as a
// std::map's would; the host's own readers (saving, digests) go through ForEachField() and never
// build it. That map and the listener, which few containers have, live in a side allocation made
// for the first. Setting or removing a field moves the slots after it: fine for the handful of
// fields an object has.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/engine/field_container.h"
#include "reference_host/model/shared_text.h"

namespace reference_host {

// Hears that some field of a container changed (set, removed or replaced).
class FieldListener {
 public:
  virtual void OnFieldsChanged() = 0;

 protected:
  virtual ~FieldListener() = default;
};

// The number of the one stored copy of |key|, shared by every container
// that holds a field of that name, and the key of a number. Keys are kept
// for the life of the process: they are a vocabulary, not data.
uint32_t InternFieldKey(std::string_view key);
const std::string& FieldKeyName(uint32_t number);

class FieldContainerImpl : public engine::FieldContainer {
 public:
  // One stored field, read in place: 16 bytes.
  class Field {
   public:
    // Set releases what the slot held, so the slot starts empty.
    Field(uint32_t key, const engine::FieldValue& value)
        : key_(key), kind_(static_cast<uint8_t>(engine::FieldValue::Kind::kEmpty)), size_(0) {
      Set(value);
    }
    Field(const Field& other) : key_(other.key_) { CopyValue(other); }
    Field(Field&& other) noexcept;
    Field& operator=(const Field& other);
    Field& operator=(Field&& other) noexcept;
    ~Field() { Release(); }

    const std::string& key() const { return FieldKeyName(key_); }
    engine::FieldValue::Kind kind() const { return static_cast<engine::FieldValue::Kind>(kind_); }
    // The held alternative, or false / 0 / "" when another one is held.
    bool GetBool() const { return kind() == engine::FieldValue::Kind::kBool && Load<bool>(); }
    int GetInt() const { return kind() == engine::FieldValue::Kind::kInt ? Load<int>() : 0; }
    double GetDouble() const {
      return kind() == engine::FieldValue::Kind::kDouble ? Load<double>() : 0.0;
    }
    std::string_view text() const {
      if (kind() != engine::FieldValue::Kind::kText) return {};
      if (size_ == kShared) return Load<SharedText*>()->view();
      return {bytes_, size_};
    }
    engine::FieldValue ToValue() const;
    void Set(const engine::FieldValue& value);

   private:
    // Texts up to this long are held in place; a longer one is shared.
    static constexpr uint8_t kInline = 10;
    // |size_| of a shared text.
    static constexpr uint8_t kShared = 0xff;
    // Numbers and the shared text's pointer sit at the slot's eight-byte
    // boundary, inside the bytes an inline text would use.
    static constexpr size_t kValueAt = 2;
    template <class T>
    T Load() const {
      T value;
      std::memcpy(&value, bytes_ + kValueAt, sizeof(T));
      return value;
    }
    template <class T>
    void Store(T value) {
      std::memcpy(bytes_ + kValueAt, &value, sizeof(T));
    }
    bool HoldsShared() const {
      return kind_ == static_cast<uint8_t>(engine::FieldValue::Kind::kText) && size_ == kShared;
    }
    void CopyValue(const Field& other);
    void Release() {
      if (HoldsShared()) Load<SharedText*>()->Release();
    }

    uint32_t key_;
    uint8_t kind_;
    uint8_t size_;  // of a text held in place, else kShared
    char bytes_[kInline];
  };
  static_assert(sizeof(Field) == 16, "a million objects hold several million fields");

  FieldContainerImpl() = default;
  FieldContainerImpl(const FieldContainerImpl&) = delete;
  FieldContainerImpl& operator=(const FieldContainerImpl&) = delete;
  ~FieldContainerImpl() override;

  // engine::FieldContainer:
  bool HasField(const std::string& key) const override;
  bool GetFieldValue(const std::string& key, engine::FieldValue& value) const override;
  void SetFieldValue(const std::string& key, const engine::FieldValue& value, bool notify) override;
  void RemoveField(const std::string& key, bool notify) override;
  const FieldMap& GetAllFields() const override;
  // Takes every field of |other|, overwriting keys both hold; keeps the rest.
  void CopyFieldsFrom(const engine::FieldContainer* other) override;

  // The text alternative, or "" when absent or of another kind.
  std::string GetText(const std::string& key) const;
  // A double or int field as a number; false when absent or of another kind.
  bool GetNumber(const std::string& key, double& value) const;
  void SetText(const std::string& key, const std::string& text) {
    SetFieldValue(key, engine::FieldValue(text), true);
  }
  void SetDouble(const std::string& key, double value) {
    SetFieldValue(key, engine::FieldValue(value), true);
  }
  // Replaces all fields by |fields|.
  void Assign(const FieldMap& fields);
  // Replaces all fields by those of |other|, without building either map.
  void AssignFrom(const FieldContainerImpl& other);

  size_t field_count() const { return fields_.size(); }
  // Room for |count| more fields, so that filling an object (loading it)
  // takes one allocation of the size it needs.
  void ReserveFields(size_t count) { fields_.reserve(fields_.size() + count); }
  // Calls |visit|(const Field&) for each field in key order.
  template <class Visit>
  void ForEachField(Visit visit) const {
    for (const Field* field = fields_.begin(); field != fields_.end(); ++field) visit(*field);
  }

  // How many changes asked for notification; observers would hear of these.
  int notification_count() const { return notification_count_; }

  // One listener (not owned; null for none) hears of every change, asked
  // for notification or not: it keeps indexes over the fields current.
  void set_listener(FieldListener* listener);

 private:
  // The slots in key order: the part of a std::vector the store needs, in
  // 8 bytes instead of 24 (a million objects hold one each). Size and
  // capacity head the slots' own block, where the allocator's rounding
  // mostly has room for them anyway.
  class FieldArray {
   public:
    FieldArray() = default;
    FieldArray(const FieldArray&) = delete;
    FieldArray& operator=(const FieldArray&) = delete;
    FieldArray& operator=(FieldArray&& other) noexcept;
    ~FieldArray() { Free(); }

    Field* begin() const { return block_ ? block_->fields() : nullptr; }
    Field* end() const { return block_ ? block_->fields() + block_->size : nullptr; }
    size_t size() const { return block_ ? block_->size : 0; }
    size_t capacity() const { return block_ ? block_->capacity : 0; }
    void reserve(size_t capacity);
    // |at| points into the array; returns where |field| now is.
    Field* insert(Field* at, Field field);
    void erase(Field* at);

   private:
    struct Block {
      uint32_t size;
      uint32_t capacity;
      Field* fields() { return reinterpret_cast<Field*>(this + 1); }
    };
    static_assert(sizeof(Block) % alignof(Field) == 0, "the slots follow the header");
    void Free();

    Block* block_ = nullptr;
  };

  struct Extras {
    // Built by GetAllFields(), then kept in step with |fields_|.
    std::unique_ptr<FieldMap> map;
    FieldListener* listener = nullptr;
  };

  void Changed(bool notify) {
    if (notify) ++notification_count_;
    if (extras_ && extras_->listener) extras_->listener->OnFieldsChanged();
  }
  FieldMap* map() const { return extras_ ? extras_->map.get() : nullptr; }
  // The first field whose key is not less than |key|.
  Field* LowerBound(std::string_view key) const;
  const Field* FindField(std::string_view key) const;
  void Put(std::string_view key, const engine::FieldValue& value);
  // One of 32 bits for |key|, from a few of its bytes. A shared bit only
  // costs the search a read would have made anyway; these factors give the
  // keys the walks over every object ask for (cost account, budget cost
  // account, bill stage) bits no other key of the vocabulary uses.
  static uint32_t KeyBit(std::string_view key) {
    const size_t n = key.size();
    if (n == 0) return 1;
    const size_t mix = n * 3 + static_cast<unsigned char>(key[n - 1]) * 7 +
                       static_cast<unsigned char>(key[n / 2]) * 4;
    return uint32_t{1} << (mix & 31);
  }
  void RecountKeyBits();

  FieldArray fields_;
  mutable std::unique_ptr<Extras> extras_;
  int notification_count_ = 0;
  // The KeyBit of every field's key, in what was padding: walks over every
  // object mostly ask for keys an object lacks, and those reads then answer
  // without the slots' block.
  uint32_t key_bits_ = 0;
};

}  // namespace reference_host
