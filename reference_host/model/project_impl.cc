#include "reference_host/model/project_impl.h"

#include "reference_host/model/estimate_document.h"

namespace reference_host {

ProjectImpl::ProjectImpl(std::string id, std::string name, std::string cost_accounts_id,
                         std::string bill_stages_id)
    : DocumentObjectImpl(std::move(id)), name_(std::move(name)) {
  if (cost_accounts_id.empty()) cost_accounts_id = GetId() + "/cost-accounts";
  if (bill_stages_id.empty()) bill_stages_id = GetId() + "/bill-stages";
  cost_accounts_.Insert(new CostAccountGroupImpl(cost_accounts_id));
  bill_stages_.Insert(new BillStageGroupImpl(bill_stages_id));
}

bool ProjectImpl::SetRootSubProject(scoped_refptr<SubProjectImpl> root) {
  if (!root) return false;
  if (!EstimateDocument::CanAdopt(this, root.get())) return false;
  scoped_refptr<SubProjectImpl> previous = root_.at(0);
  if (previous) root_.Remove(previous.get());
  if (root_.Insert(root)) return true;
  if (previous) root_.Insert(previous);
  return false;
}

bool ProjectImpl::SetRootSubProject(engine::SubProject* root) {
  scoped_refptr<SubProjectImpl> impl(dynamic_cast<SubProjectImpl*>(root));
  if (!impl) return false;
  if (impl.get() == GetRootSubProject()) return true;
  ProjectImpl* other = dynamic_cast<ProjectImpl*>(impl->owner());
  if (other) other->root_.Remove(impl.get());
  if (SetRootSubProject(impl)) return true;
  if (other) other->root_.Insert(impl);
  return false;
}

void ProjectImpl::AppendMembers(std::vector<DocumentObjectImpl*>& members) const {
  root_.AppendTo(members);
  cost_accounts_.AppendTo(members);
  bill_stages_.AppendTo(members);
  groups_.AppendTo(members);
  tables_.AppendTo(members);
}

}  // namespace reference_host
