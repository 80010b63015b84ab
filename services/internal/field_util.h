// Field reading shared by the library's units. Internal: not installed, and
// no installed header may include it.
#pragma once

#include <string>

#include "host/engine/field_container.h"
#include "host/engine/field_value.h"

namespace marrow {
namespace qrv {
namespace internal {

// The text held by field |key|; "" when the container is null, the field is
// absent or it holds another kind of value.
inline std::string GetTextField(const engine::FieldContainer* fields, const std::string& key) {
  if (!fields) return std::string();
  engine::FieldValue value;
  if (!fields->GetFieldValue(key, value)) return std::string();
  return value.GetString();
}

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
