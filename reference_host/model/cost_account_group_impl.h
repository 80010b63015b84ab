// A project's cost account tree. Owns the top-level accounts. The id and code
// lookups use indexes rebuilt lazily after any change to the tree, so a
// lookup is O(1) between changes; where codes (or ids) repeat, the first
// account of a depth-first walk wins.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "host/engine/qrv/qrv_cost_account.h"
#include "reference_host/model/cost_account_impl.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/owned_children.h"

namespace reference_host {

class ProjectImpl;

class CostAccountGroupImpl : public DocumentObjectImpl,
                             public engine::qrv::QRVCostAccountGroup,
                             public engine::qrv::QRVCostAccountGroupFile {
 public:
  explicit CostAccountGroupImpl(std::string id = std::string());

  // engine::qrv::QRVCostAccountGroup:
  int GetCostAccountCount() const override { return accounts_.size(); }
  CostAccountImpl* GetCostAccount(int index) const override { return accounts_.at(index); }
  CostAccountImpl* FindCostAccountById(const std::string& id) const override;
  CostAccountImpl* FindCostAccountByCode(const std::string& code) const override;

  // Host side.
  bool AddCostAccount(scoped_refptr<CostAccountImpl> account, int index = -1);
  scoped_refptr<CostAccountImpl> RemoveCostAccount(const CostAccountImpl* account);
  // Every account of the tree, depth-first, parents first.
  std::vector<CostAccountImpl*> AllAccounts() const;
  // Accounts call this when the tree below the group or a code changes.
  void Invalidate() const { indexed_ = false; }
  ProjectImpl* project() const;

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override {
    accounts_.AppendTo(members);
  }

 protected:
  ~CostAccountGroupImpl() override = default;

 private:
  void Reindex() const;

  OwnedChildren<CostAccountImpl> accounts_{this};
  mutable bool indexed_ = false;
  mutable std::unordered_map<std::string, CostAccountImpl*> by_id_;
  mutable std::unordered_map<std::string, CostAccountImpl*> by_code_;
};

}  // namespace reference_host
