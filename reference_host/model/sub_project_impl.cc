#include "reference_host/model/sub_project_impl.h"

#include "host/engine/res_item_group.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_aggregation.h"

namespace reference_host {

SubProjectImpl::SubProjectImpl(std::string id, int kind, std::string name, std::string summary_id)
    : DocumentObjectImpl(std::move(id)), kind_(kind), name_(std::move(name)) {
  summary_ = new ResSummaryImpl(summary_id.empty() ? GetId() + "/summary" : summary_id);
  set_owner_of(summary_.get(), this);
}

SubProjectImpl::~SubProjectImpl() { set_owner_of(summary_.get(), nullptr); }

SubProjectImpl* SubProjectImpl::GetParentSubProject() const {
  return dynamic_cast<SubProjectImpl*>(owner());
}

ProjectImpl* SubProjectImpl::project() const {
  for (DocumentObjectImpl* up = owner(); up; up = up->owner())
    if (auto* found = dynamic_cast<ProjectImpl*>(up)) return found;
  return nullptr;
}

void SubProjectImpl::AppendMembers(std::vector<DocumentObjectImpl*>& members) const {
  members.push_back(summary_.get());
  children_.AppendTo(members);
  bills_.AppendTo(members);
  grouped_items_.AppendMembers(members);
}

scoped_refptr<engine::ResItemGroup> SubProjectImpl::GroupResItems(
    engine::ResItemCallBack* callback) {
  ResItemAggregation aggregation(callback);
  aggregation.AddSubProjectTree(this);
  return aggregation.Finish();
}

}  // namespace reference_host
