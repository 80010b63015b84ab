#include "reference_host/model/bill_stage_impl.h"

namespace reference_host {

BillStageImpl::BillStageImpl(std::string id, std::string name)
    : DocumentObjectImpl(std::move(id)), name_(std::move(name)) {}

BillStageGroupImpl* BillStageImpl::group() const {
  return dynamic_cast<BillStageGroupImpl*>(owner());
}

void BillStageImpl::SetName(const std::string& name) {
  name_ = name;
  if (BillStageGroupImpl* owner_group = group()) owner_group->Invalidate();
}

BillStageGroupImpl::BillStageGroupImpl(std::string id) : DocumentObjectImpl(std::move(id)) {}

bool BillStageGroupImpl::AddBillStage(scoped_refptr<BillStageImpl> stage, int index) {
  if (!stages_.Insert(std::move(stage), index)) return false;
  Invalidate();
  return true;
}

scoped_refptr<BillStageImpl> BillStageGroupImpl::RemoveBillStage(const BillStageImpl* stage) {
  scoped_refptr<BillStageImpl> removed = stages_.Remove(stage);
  if (removed) Invalidate();
  return removed;
}

void BillStageGroupImpl::Reindex() const {
  by_id_.clear();
  by_name_.clear();
  for (const auto& stage : stages_.items()) {
    by_id_.emplace(stage->GetId(), stage.get());
    by_name_.emplace(stage->GetName(), stage.get());
  }
  indexed_ = true;
}

BillStageImpl* BillStageGroupImpl::FindBillStageById(const std::string& id) const {
  if (!indexed_) Reindex();
  auto it = by_id_.find(id);
  return it == by_id_.end() ? nullptr : it->second;
}

BillStageImpl* BillStageGroupImpl::FindBillStageByName(const std::string& name) const {
  if (!indexed_) Reindex();
  auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second;
}

}  // namespace reference_host
