#include "reference_host/model/field_container_impl.h"

namespace reference_host {

bool FieldContainerImpl::HasField(const std::string& key) const {
  return fields_.find(key) != fields_.end();
}

bool FieldContainerImpl::GetFieldValue(const std::string& key, engine::FieldValue& value) const {
  auto it = fields_.find(key);
  if (it == fields_.end()) return false;
  value = it->second;
  return true;
}

void FieldContainerImpl::SetFieldValue(const std::string& key, const engine::FieldValue& value,
                                       bool notify) {
  fields_[key] = value;
  if (notify) ++notification_count_;
  Changed();
}

void FieldContainerImpl::RemoveField(const std::string& key, bool notify) {
  if (!fields_.erase(key)) return;
  if (notify) ++notification_count_;
  Changed();
}

const engine::FieldContainer::FieldMap& FieldContainerImpl::GetAllFields() const { return fields_; }

void FieldContainerImpl::CopyFieldsFrom(const engine::FieldContainer* other) {
  if (!other || other == this) return;
  for (const auto& [key, value] : other->GetAllFields()) fields_[key] = value;
  ++notification_count_;
  Changed();
}

std::string FieldContainerImpl::GetText(const std::string& key) const {
  auto it = fields_.find(key);
  return it == fields_.end() ? std::string() : it->second.GetString();
}

bool FieldContainerImpl::GetNumber(const std::string& key, double& value) const {
  auto it = fields_.find(key);
  if (it == fields_.end()) return false;
  if (it->second.IsDouble()) {
    value = it->second.GetDouble();
    return true;
  }
  if (it->second.IsInt()) {
    value = it->second.GetInt();
    return true;
  }
  return false;
}

void FieldContainerImpl::Assign(const FieldMap& fields) {
  if (&fields == &fields_) return;
  fields_ = fields;
  ++notification_count_;
  Changed();
}

}  // namespace reference_host
