// The cost account tree of a project and its accounts.
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/host_api.h"

namespace engine {
namespace qrv {

class MARROW_HOST_API QRVCostAccount : public virtual DocumentObject {
 public:
  virtual const std::string& GetCode() const = 0;
  virtual const std::string& GetName() const = 0;
  // Null for a top-level account.
  virtual QRVCostAccount* GetParent() const = 0;
  virtual int GetChildCount() const = 0;
  virtual QRVCostAccount* GetChild(int index) const = 0;

 protected:
  ~QRVCostAccount() override = default;
};

class MARROW_HOST_API QRVCostAccountGroup : public virtual DocumentObject {
 public:
  virtual int GetCostAccountCount() const = 0;
  virtual QRVCostAccount* GetCostAccount(int index) const = 0;
  // Any account of the whole tree, or null. Where codes repeat, the code
  // lookup answers the first account of a depth-first walk.
  virtual QRVCostAccount* FindCostAccountById(const std::string& id) const = 0;
  virtual QRVCostAccount* FindCostAccountByCode(const std::string& code) const = 0;

 protected:
  ~QRVCostAccountGroup() override = default;
};

// The file face of a tree, as tables and resource groups reach it.
class MARROW_HOST_API QRVCostAccountGroupFile : public virtual DocumentObject {
 protected:
  ~QRVCostAccountGroupFile() override = default;
};

}  // namespace qrv
}  // namespace engine
