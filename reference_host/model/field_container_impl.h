// The fields of one host object, kept in key order. Owned by its object.
#pragma once

#include <string>

#include "host/engine/field_container.h"

namespace reference_host {

// Hears that some field of a container changed (set, removed or replaced).
class FieldListener {
 public:
  virtual void OnFieldsChanged() = 0;

 protected:
  virtual ~FieldListener() = default;
};

class FieldContainerImpl : public engine::FieldContainer {
 public:
  FieldContainerImpl() = default;
  FieldContainerImpl(const FieldContainerImpl&) = delete;
  FieldContainerImpl& operator=(const FieldContainerImpl&) = delete;
  ~FieldContainerImpl() override = default;

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

  // How many changes asked for notification; observers would hear of these.
  int notification_count() const { return notification_count_; }

  // One listener (not owned; null for none) hears of every change, asked
  // for notification or not: it keeps indexes over the fields current.
  void set_listener(FieldListener* listener) { listener_ = listener; }

 private:
  void Changed() {
    if (listener_) listener_->OnFieldsChanged();
  }

  FieldMap fields_;
  int notification_count_ = 0;
  FieldListener* listener_ = nullptr;
};

}  // namespace reference_host
