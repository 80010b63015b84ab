// The fields of one host object, kept in key order. Owned by its object.
//
// Stored compactly, since a document of a million objects holds several
// million fields: one array of 24-byte slots per object, each with the number
// of an interned key (the same few dozen keys recur in every object) and the
// value in place, texts of up to 16 bytes included; longer texts take one
// allocation of their own. GetAllFields() builds the engine's ordered map on
// first use and keeps it in step from then on, so a reference to it stays
// valid as a std::map's would; the host's own readers (saving, digests) go
// through ForEachField() and never build it. That map and the listener,
// which few containers have, live in a side allocation made for the first.
// Setting or removing a field moves the slots after it: fine for the handful
// of fields an object has.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/engine/field_container.h"

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
  // One stored field, read in place.
  class Field {
   public:
    // Set releases what the slot held, so the slot starts empty.
    Field(uint32_t key, const engine::FieldValue& value)
        : key_(key), kind_(static_cast<uint32_t>(engine::FieldValue::Kind::kEmpty)), size_(0) {
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
    bool GetBool() const { return kind() == engine::FieldValue::Kind::kBool && bool_; }
    int GetInt() const { return kind() == engine::FieldValue::Kind::kInt ? int_ : 0; }
    double GetDouble() const { return kind() == engine::FieldValue::Kind::kDouble ? double_ : 0.0; }
    std::string_view text() const {
      if (kind() != engine::FieldValue::Kind::kText) return {};
      if (size_ == kOnHeap) return {heap_.data, heap_.size};
      return {inline_, size_};
    }
    engine::FieldValue ToValue() const;
    void Set(const engine::FieldValue& value);

   private:
    static constexpr uint32_t kInline = 16;
    // |size_| of a text too long to be held in place.
    static constexpr uint32_t kOnHeap = 0xffffff;
    void CopyValue(const Field& other);
    void Release() {
      if (kind_ == static_cast<uint32_t>(engine::FieldValue::Kind::kText) && size_ == kOnHeap)
        delete[] heap_.data;
    }

    uint32_t key_;
    uint32_t kind_ : 8;
    uint32_t size_ : 24;  // of a text held in place, else kOnHeap
    union {
      bool bool_;
      int int_;
      double double_;
      struct {
        char* data;
        size_t size;
      } heap_;
      char inline_[kInline];
    };
  };

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
  // 16 bytes instead of 24 (a million objects hold one each).
  class FieldArray {
   public:
    FieldArray() = default;
    FieldArray(const FieldArray&) = delete;
    FieldArray& operator=(const FieldArray&) = delete;
    FieldArray& operator=(FieldArray&& other) noexcept;
    ~FieldArray() { Free(); }

    Field* begin() const { return data_; }
    Field* end() const { return data_ + size_; }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    void reserve(size_t capacity);
    // |at| points into the array; returns where |field| now is.
    Field* insert(Field* at, Field field);
    void erase(Field* at);

   private:
    void Free();

    Field* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
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

  FieldArray fields_;
  mutable std::unique_ptr<Extras> extras_;
  int notification_count_ = 0;
};

}  // namespace reference_host
