#include "reference_host/model/sub_project_impl.h"

#include "host/engine/res_item_group.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_aggregation.h"

namespace reference_host {

SubProjectImpl::SubProjectImpl(std::string id, int kind, std::string name, std::string summary_id)
    : DocumentObjectImpl(std::move(id)), kind_(kind), name_(std::move(name)) {
  summary_ = new ResSummaryImpl(summary_id.empty() ? GetId() + "/summary" : summary_id);
  set_owner_of(summary_.get(), this);
  for (auto& slot : roots_) slot = std::make_unique<OwnedChildren<SubEngineeringImpl>>(this);
  for (auto& slot : keyed_tables_) slot = std::make_unique<OwnedChildren<TableImpl>>(this);
}

bool SubProjectImpl::AddChild(engine::SubProject* child, int position) {
  auto* impl = dynamic_cast<SubProjectImpl*>(child);
  return impl &&
         children_.Insert(scoped_refptr<SubProjectImpl>(impl), position > 0 ? position - 1 : -1);
}

bool SubProjectImpl::RemoveChild(engine::SubProject* child) {
  auto* impl = dynamic_cast<SubProjectImpl*>(child);
  return impl && children_.Remove(impl);
}

bool SubProjectImpl::SetMeasureRoot(MeasureTree tree, scoped_refptr<SubEngineeringImpl> root) {
  return roots_[tree]->size() == 0 && roots_[tree]->Insert(std::move(root));
}

bool SubProjectImpl::SetKeyedTable(KeyedTable which, scoped_refptr<TableImpl> table) {
  return keyed_tables_[which]->size() == 0 && keyed_tables_[which]->Insert(std::move(table));
}

ItemSetImpl* SubProjectImpl::EnsureItemSet(ItemSetKind kind) {
  if (!item_sets_[kind]) item_sets_[kind] = std::make_unique<ItemSetImpl>(this);
  return item_sets_[kind].get();
}

QTXMTablesImpl* SubProjectImpl::EnsureQTXMTables() {
  if (!qtxm_) qtxm_ = std::make_unique<QTXMTablesImpl>(this);
  return qtxm_.get();
}

FeeStoreImpl* SubProjectImpl::EnsureFeeStore() {
  if (!fee_store_) fee_store_ = std::make_unique<FeeStoreImpl>(this);
  return fee_store_.get();
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
  for (const auto& slot : roots_) slot->AppendTo(members);
  for (const auto& slot : keyed_tables_) slot->AppendTo(members);
  for (const auto& set : item_sets_)
    if (set) set->AppendMembers(members);
  if (qtxm_) qtxm_->AppendMembers(members);
  if (fee_store_) fee_store_->AppendMembers(members);
}

scoped_refptr<engine::ResItemGroup> SubProjectImpl::GroupResItems(
    engine::ResItemCallBack* callback) {
  ResItemAggregation aggregation(callback);
  aggregation.AddSubProjectTree(this);
  return aggregation.Finish();
}

}  // namespace reference_host
