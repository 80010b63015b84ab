#include "reference_host/model/table_impl.h"

#include "reference_host/model/project_impl.h"

namespace reference_host {

TupleImpl::TupleImpl(std::string id) : DocumentObjectImpl(std::move(id)) {}

TupleImpl* TupleImpl::GetParent() const { return dynamic_cast<TupleImpl*>(owner()); }

engine::dbtables::TableObject* TupleImpl::GetTable() const { return table(); }

TableImpl* TupleImpl::table() const {
  const TupleImpl* top = this;
  while (TupleImpl* parent = top->GetParent()) top = parent;
  return dynamic_cast<TableImpl*>(top->owner());
}

TableImpl::TableImpl(std::string id, std::string name)
    : DocumentObjectImpl(std::move(id)), name_(std::move(name)) {}

ProjectImpl* TableImpl::project() const {
  for (DocumentObjectImpl* up = owner(); up; up = up->owner())
    if (auto* found = dynamic_cast<ProjectImpl*>(up)) return found;
  return nullptr;
}

engine::qrv::QRVCostAccountGroupFile* TableImpl::GetCostAccountGroup() const {
  ProjectImpl* owner_project = project();
  return owner_project ? owner_project->cost_accounts() : nullptr;
}

}  // namespace reference_host
