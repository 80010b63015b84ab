// Callbacks the host engine calls while it aggregates resource lines: a
// ResItemCallBack decides which lines take part and gives each a 64-bit
// fingerprint (equal fingerprints make one aggregated entry); a
// FieldContainerVisitor receives a container's fields one call per field.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_api.h"

namespace engine {

class ResItem;

class MARROW_HOST_API ResItemCallBack {
 public:
  virtual uint64_t GetFingerprint(ResItem* item) = 0;
  virtual bool IsValid(ResItem* item) = 0;
  virtual ~ResItemCallBack() = default;
};

// One overload per field value kind; the default bodies ignore the field.
class MARROW_HOST_API FieldContainerVisitor {
 public:
  virtual void Visit(const std::string& /*key*/, const std::string& /*value*/) {}
  virtual void Visit(const std::string& /*key*/, double /*value*/) {}
  virtual void Visit(const std::string& /*key*/, int /*value*/) {}
  virtual void Visit(const std::string& /*key*/, bool /*value*/) {}
  virtual ~FieldContainerVisitor() = default;
};

}  // namespace engine
