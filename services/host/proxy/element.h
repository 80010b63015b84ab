// The object proxy library: a counted element wrapping one host object, and
// the cost account conversions it offers on a wrapped tree or account.
#pragma once

#include <string>

#include "host/base/ref_counted.h"
#include "host/host_api.h"

namespace proxy {

class MARROW_HOST_API Element : public base::Object {
 public:
  virtual base::Object* GetObject() const = 0;

 protected:
  ~Element() override = default;
};

// Null for a null object.
MARROW_HOST_API scoped_refptr<Element> CreateElement(base::Object* object);

namespace qrv {

// On an element wrapping a cost account tree: the id of the account whose
// path ("/"-joined names from the top) is |path|, or "" when there is none.
MARROW_HOST_API std::string GetCostAccountIdFromPath(Element* tree, const std::string& path);
// On an element wrapping a cost account tree: |id| names one of its accounts.
MARROW_HOST_API bool IsValidCostAccountId(Element* tree, const std::string& id);
// On an element wrapping a cost account: its path, or "" for anything else.
MARROW_HOST_API std::string GetCostAccountPath(Element* account);

}  // namespace qrv
}  // namespace proxy
