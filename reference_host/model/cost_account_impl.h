// One cost account: code, name and sub-accounts. Owned by its parent account,
// or by the CostAccountGroupImpl when on top.
#pragma once

#include <string>
#include <vector>

#include "host/engine/qrv/qrv_cost_account.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

class CostAccountGroupImpl;

class CostAccountImpl : public DocumentObjectImpl, public engine::qrv::QRVCostAccount {
 public:
  CostAccountImpl(std::string id, std::string code, std::string name);

  // engine::qrv::QRVCostAccount:
  const std::string& GetCode() const override { return code_; }
  const std::string& GetName() const override { return name_; }
  CostAccountImpl* GetParent() const override;
  int GetChildCount() const override { return children_.size(); }
  CostAccountImpl* GetChild(int index) const override { return children_.at(index); }

  // Host side.
  void SetCode(const std::string& code);
  void SetName(const std::string& name) { name_ = name; }
  bool AddChild(scoped_refptr<CostAccountImpl> child, int index = -1);
  scoped_refptr<CostAccountImpl> RemoveChild(const CostAccountImpl* child);
  // The tree the account stands in, or null.
  CostAccountGroupImpl* tree() const;
  // Names from the top-level account down, joined by "/".
  std::string GetPath() const;

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override {
    children_.AppendTo(members);
  }

 protected:
  ~CostAccountImpl() override = default;

 private:
  std::string code_;
  std::string name_;
  OwnedChildren<CostAccountImpl> children_{this};
};

}  // namespace reference_host
