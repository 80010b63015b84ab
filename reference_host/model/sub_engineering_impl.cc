#include "reference_host/model/sub_engineering_impl.h"

#include <glog/logging.h>

#include "reference_host/model/estimate_document.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/sub_project_impl.h"

namespace reference_host {

SubEngineeringImpl::SubEngineeringImpl(std::string id, int node_kind, int measure_kind)
    : DocumentObjectImpl(std::move(id)), node_kind_(node_kind), measure_kind_(measure_kind) {
  NoteMembers();
}

SubEngineeringImpl::~SubEngineeringImpl() = default;

FeeCalcImpl* SubEngineeringImpl::fee_calc() const {
  if (!fee_calc_ && has_fee_calc_) fee_calc_ = std::make_unique<FeeCalcImpl>();
  return fee_calc_.get();
}

SubEngineeringImpl* SubEngineeringImpl::GetParent() const {
  return dynamic_cast<SubEngineeringImpl*>(owner());
}

bool SubEngineeringImpl::GetQuantity(double& quantity) const {
  if (!has_quantity_) return false;
  quantity = quantity_;
  return true;
}

SubProjectImpl* SubEngineeringImpl::sub_project() const {
  const SubEngineeringImpl* top = this;
  while (SubEngineeringImpl* parent = top->GetParent()) top = parent;
  return dynamic_cast<SubProjectImpl*>(top->owner());
}

engine::SubProject* SubEngineeringImpl::GetSubProject() const { return sub_project(); }

std::string SubEngineeringImpl::GetCode() const {
  engine::FieldValue value;
  fields()->GetFieldValue(keys::kBillCode, value);
  return value.GetString();
}

void SubEngineeringImpl::SetCode(const std::string& code) {
  fields()->SetFieldValue(keys::kBillCode, code, true);
}

std::string SubEngineeringImpl::GetName() const {
  engine::FieldValue value;
  fields()->GetFieldValue(keys::kBillName, value);
  return value.GetString();
}

void SubEngineeringImpl::SetName(const std::string& name) {
  fields()->SetFieldValue(keys::kBillName, name, true);
}

int SubEngineeringImpl::GetIndex() const {
  if (SubEngineeringImpl* parent = GetParent()) return parent->IndexOfChild(this);
  if (SubProjectImpl* holder = dynamic_cast<SubProjectImpl*>(owner())) {
    for (int i = 0; i < holder->GetSubEngineeringCount(); ++i)
      if (holder->GetSubEngineering(i) == this) return i;
    return 0;
  }
  return -1;
}

bool SubEngineeringImpl::AddChild(engine::SubEngineering* child, engine::SubEngineering* before) {
  auto* impl = dynamic_cast<SubEngineeringImpl*>(child);
  if (!impl) return false;
  auto* before_impl = dynamic_cast<SubEngineeringImpl*>(before);
  int index = before_impl ? children_.IndexOf(before_impl) : -1;
  return AddChild(scoped_refptr<SubEngineeringImpl>(impl), index);
}

bool SubEngineeringImpl::RemoveChild(engine::SubEngineering* child) {
  auto* impl = dynamic_cast<SubEngineeringImpl*>(child);
  return impl && RemoveChild(static_cast<const SubEngineeringImpl*>(impl));
}

void SubEngineeringImpl::SetCBResItemList(engine::qrv::QRVCBResItemList* list) {
  auto* incoming = dynamic_cast<ResItemListImpl*>(list);
  if (!incoming || incoming == cost_list()) return;
  if (incoming->owner() || incoming->size() > 0) {
    LOG(ERROR) << "cost list for " << GetId() << " is not a free, empty list";
    return;
  }
  DropList(cost_list());
  incoming->Adopt(this, ResItemListImpl::Side::kCost);
  adopted_cost_list_.reset(incoming);
  has_cost_list_ = true;
}

void SubEngineeringImpl::DropList(ResItemListImpl* list) {
  if (!list) return;
  set_list_holds_lines(list->side(), false);
  if (document()) {
    std::vector<DocumentObjectImpl*> lines;
    list->AppendMembers(lines);
    for (DocumentObjectImpl* line : lines) EstimateDocument::Leave(line);
  }
  list->Clear();
}

void SubEngineeringImpl::SetHasBudgetList(bool has) {
  if (!has) DropList(budget_list());
  has_budget_list_ = has;
}

void SubEngineeringImpl::SetHasCostList(bool has) {
  if (!has) {
    DropList(cost_list());
    adopted_cost_list_.reset();
  }
  has_cost_list_ = has;
}

void SubEngineeringImpl::SetHasFeeCalc(bool has) {
  if (!has) fee_calc_.reset();
  has_fee_calc_ = has;
}

void SubEngineeringImpl::AppendMembers(std::vector<DocumentObjectImpl*>& members) const {
  if (budget_holds_lines_) budget_list_.AppendMembers(members);
  if (cost_holds_lines_) cost_list()->AppendMembers(members);
  children_.AppendTo(members);
}

}  // namespace reference_host
