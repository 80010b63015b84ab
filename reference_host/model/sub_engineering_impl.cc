#include "reference_host/model/sub_engineering_impl.h"

#include <glog/logging.h>

#include "reference_host/model/estimate_document.h"
#include "reference_host/model/sub_project_impl.h"

namespace reference_host {

SubEngineeringImpl::SubEngineeringImpl(std::string id, int node_kind, int measure_kind)
    : DocumentObjectImpl(std::move(id)),
      node_kind_(node_kind),
      measure_kind_(measure_kind),
      budget_list_(std::make_unique<ResItemListImpl>(this, ResItemListImpl::Side::kBudget)),
      cost_list_(std::make_unique<ResItemListImpl>(this, ResItemListImpl::Side::kCost)),
      fee_calc_(std::make_unique<FeeCalcImpl>()) {}

SubEngineeringImpl::~SubEngineeringImpl() = default;

SubEngineeringImpl* SubEngineeringImpl::GetParent() const {
  return dynamic_cast<SubEngineeringImpl*>(owner());
}

bool SubEngineeringImpl::GetQuantity(double& quantity) const {
  if (!quantity_) return false;
  quantity = *quantity_;
  return true;
}

SubProjectImpl* SubEngineeringImpl::sub_project() const {
  const SubEngineeringImpl* top = this;
  while (SubEngineeringImpl* parent = top->GetParent()) top = parent;
  return dynamic_cast<SubProjectImpl*>(top->owner());
}

engine::SubProject* SubEngineeringImpl::GetSubProject() const { return sub_project(); }

void SubEngineeringImpl::SetCBResItemList(engine::qrv::QRVCBResItemList* list) {
  auto* incoming = dynamic_cast<ResItemListImpl*>(list);
  if (!incoming || incoming == cost_list_.get()) return;
  if (incoming->owner() || incoming->size() > 0) {
    LOG(ERROR) << "cost list for " << GetId() << " is not a free, empty list";
    return;
  }
  DropList(cost_list_);
  incoming->Adopt(this, ResItemListImpl::Side::kCost);
  cost_list_.reset(incoming);
}

void SubEngineeringImpl::DropList(std::unique_ptr<ResItemListImpl>& list) {
  if (!list) return;
  if (document()) {
    std::vector<DocumentObjectImpl*> lines;
    list->AppendMembers(lines);
    for (DocumentObjectImpl* line : lines) EstimateDocument::Leave(line);
  }
  list.reset();
}

void SubEngineeringImpl::SetHasBudgetList(bool has) {
  if (has && !budget_list_)
    budget_list_ = std::make_unique<ResItemListImpl>(this, ResItemListImpl::Side::kBudget);
  else if (!has)
    DropList(budget_list_);
}

void SubEngineeringImpl::SetHasCostList(bool has) {
  if (has && !cost_list_)
    cost_list_ = std::make_unique<ResItemListImpl>(this, ResItemListImpl::Side::kCost);
  else if (!has)
    DropList(cost_list_);
}

void SubEngineeringImpl::SetHasFeeCalc(bool has) {
  if (has && !fee_calc_)
    fee_calc_ = std::make_unique<FeeCalcImpl>();
  else if (!has)
    fee_calc_.reset();
}

void SubEngineeringImpl::AppendMembers(std::vector<DocumentObjectImpl*>& members) const {
  if (budget_list_) budget_list_->AppendMembers(members);
  if (cost_list_) cost_list_->AppendMembers(members);
  children_.AppendTo(members);
}

}  // namespace reference_host
