// The fields of one domain object: text keys, ordered, each with a tagged value.
#pragma once

#include <map>
#include <string>

#include "host/engine/field_value.h"
#include "host/host_api.h"

namespace engine {

class MARROW_HOST_API FieldContainer {
 public:
  using FieldMap = std::map<std::string, FieldValue>;

  virtual ~FieldContainer() = default;

  virtual bool HasField(const std::string& key) const = 0;
  // False, and |value| untouched, when the field is absent.
  virtual bool GetFieldValue(const std::string& key, FieldValue& value) const = 0;
  // |notify| asks the host to tell its observers; the library passes true
  // except where it copies prices in bulk.
  virtual void SetFieldValue(const std::string& key, const FieldValue& value, bool notify) = 0;
  virtual void RemoveField(const std::string& key, bool notify) = 0;
  virtual const FieldMap& GetAllFields() const = 0;
  virtual void CopyFieldsFrom(const FieldContainer* other) = 0;
};

}  // namespace engine
