#include "reference_host/model/cost_account_impl.h"

#include <algorithm>

#include "reference_host/model/cost_account_group_impl.h"
#include "reference_host/model/project_impl.h"

namespace reference_host {

CostAccountImpl::CostAccountImpl(std::string id, std::string code, std::string name)
    : DocumentObjectImpl(std::move(id)), code_(std::move(code)), name_(std::move(name)) {}

CostAccountImpl* CostAccountImpl::GetParent() const {
  return dynamic_cast<CostAccountImpl*>(owner());
}

CostAccountGroupImpl* CostAccountImpl::tree() const {
  const CostAccountImpl* top = this;
  while (CostAccountImpl* parent = top->GetParent()) top = parent;
  return dynamic_cast<CostAccountGroupImpl*>(top->owner());
}

void CostAccountImpl::SetCode(const std::string& code) {
  code_ = code;
  if (CostAccountGroupImpl* group = tree()) group->Invalidate();
}

bool CostAccountImpl::AddChild(scoped_refptr<CostAccountImpl> child, int index) {
  if (!children_.Insert(std::move(child), index)) return false;
  if (CostAccountGroupImpl* group = tree()) group->Invalidate();
  return true;
}

scoped_refptr<CostAccountImpl> CostAccountImpl::RemoveChild(const CostAccountImpl* child) {
  scoped_refptr<CostAccountImpl> removed = children_.Remove(child);
  if (removed) {
    if (CostAccountGroupImpl* group = tree()) group->Invalidate();
  }
  return removed;
}

std::string CostAccountImpl::GetPath() const {
  std::vector<const CostAccountImpl*> chain;
  for (const CostAccountImpl* account = this; account; account = account->GetParent())
    chain.push_back(account);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (it != chain.rbegin()) path += "/";
    path += (*it)->name_;
  }
  return path;
}

CostAccountGroupImpl::CostAccountGroupImpl(std::string id) : DocumentObjectImpl(std::move(id)) {}

ProjectImpl* CostAccountGroupImpl::project() const { return dynamic_cast<ProjectImpl*>(owner()); }

bool CostAccountGroupImpl::AddCostAccount(scoped_refptr<CostAccountImpl> account, int index) {
  if (!accounts_.Insert(std::move(account), index)) return false;
  Invalidate();
  return true;
}

scoped_refptr<CostAccountImpl> CostAccountGroupImpl::RemoveCostAccount(
    const CostAccountImpl* account) {
  scoped_refptr<CostAccountImpl> removed = accounts_.Remove(account);
  if (removed) Invalidate();
  return removed;
}

std::vector<CostAccountImpl*> CostAccountGroupImpl::AllAccounts() const {
  std::vector<CostAccountImpl*> all;
  std::vector<CostAccountImpl*> stack;
  for (int i = accounts_.size() - 1; i >= 0; --i) stack.push_back(accounts_.at(i));
  while (!stack.empty()) {
    CostAccountImpl* account = stack.back();
    stack.pop_back();
    all.push_back(account);
    for (int i = account->GetChildCount() - 1; i >= 0; --i) stack.push_back(account->GetChild(i));
  }
  return all;
}

void CostAccountGroupImpl::Reindex() const {
  by_id_.clear();
  by_code_.clear();
  for (CostAccountImpl* account : AllAccounts()) {
    by_id_.emplace(account->GetId(), account);
    by_code_.emplace(account->GetCode(), account);
  }
  indexed_ = true;
}

CostAccountImpl* CostAccountGroupImpl::FindCostAccountById(const std::string& id) const {
  if (!indexed_) Reindex();
  auto it = by_id_.find(id);
  return it == by_id_.end() ? nullptr : it->second;
}

CostAccountImpl* CostAccountGroupImpl::FindCostAccountByCode(const std::string& code) const {
  if (!indexed_) Reindex();
  auto it = by_code_.find(code);
  return it == by_code_.end() ? nullptr : it->second;
}

}  // namespace reference_host
