#include "reference_host/model/base_res_item_impl.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/estimate_document.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/vector_iterator.h"

namespace reference_host {

BaseResItemImpl::BaseResItemImpl(std::string id) : DocumentObjectImpl(std::move(id)) {}

engine::qrv::QRVBaseResItemGroup* BaseResItemImpl::GetGroup() const { return group(); }

BaseResItemGroupImpl* BaseResItemImpl::group() const {
  return dynamic_cast<BaseResItemGroupImpl*>(owner());
}

ResSummaryImpl* BaseResItemImpl::summary() const { return dynamic_cast<ResSummaryImpl*>(owner()); }

std::string BaseResItemImpl::GetCostAccount() const {
  return fields()->GetText(keys::kCostAccount);
}

void BaseResItemImpl::SetCostAccount(const std::string& account_id) {
  if (account_id.empty())
    fields()->RemoveField(keys::kCostAccount, true);
  else
    fields()->SetText(keys::kCostAccount, account_id);
}

std::string BaseResItemImpl::GetResType() const { return fields()->GetText(keys::kResType); }
std::string BaseResItemImpl::code() const { return fields()->GetText(keys::kCode); }
std::string BaseResItemImpl::name() const { return fields()->GetText(keys::kName); }
std::string BaseResItemImpl::unit() const { return fields()->GetText(keys::kUnit); }
std::string BaseResItemImpl::lease_quantity_text() const {
  return fields()->GetText(keys::kLeaseQuantity);
}

void BaseResItemImpl::AddResItem(engine::qrv::QRVResItem* cost_item) {
  if (cost_item) AddRegisteredId(cost_item->GetId());
}

void BaseResItemImpl::AddRegisteredId(const std::string& cost_item_id) {
  if (cost_item_id.empty()) return;
  if (registered_set_.insert(cost_item_id).second) registered_ids_.push_back(cost_item_id);
}

void BaseResItemImpl::RemoveRegisteredId(const std::string& cost_item_id) {
  if (registered_set_.erase(cost_item_id) == 0) return;
  registered_ids_.erase(std::find(registered_ids_.begin(), registered_ids_.end(), cost_item_id));
}

bool BaseResItemImpl::GetLeaseQuantity(double& quantity) const {
  std::string text = lease_quantity_text();
  if (text.empty()) return false;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0') return false;
  quantity = value;
  return true;
}

void BaseResItemImpl::SetLeaseQuantityText(const std::string& text) {
  fields()->SetText(keys::kLeaseQuantity, text);
}

void BaseResItemImpl::Recalculate() {
  registered_quantity_ = 0.0;
  if (!document()) return;
  for (const std::string& id : registered_ids_) {
    auto* line = document()->Find<engine::ResItem>(id);
    double quantity = 0.0;
    if (line && line->GetQuantity(quantity)) registered_quantity_ += quantity;
  }
  document()->NotifyFiguresRecalculated(*this);
}

engine::DocumentObject* BaseResItemImpl::GetIdentityItem(bool self_when_none) const {
  const std::string id = fields()->GetText(keys::kIdentityItem);
  if (!id.empty() && document()) {
    if (BaseResItemImpl* identity = document()->Find<BaseResItemImpl>(id)) return identity;
  }
  if (!self_when_none) return nullptr;
  engine::DocumentObject* self = const_cast<BaseResItemImpl*>(this);
  return self;
}

bool BaseResItemImpl::GetQuantity(double& quantity) const {
  return fields()->GetNumber(keys::kContractQuantity, quantity);
}

void BaseResItemImpl::SetQuantity(const double& quantity) {
  fields()->SetDouble(keys::kContractQuantity, quantity);
}

std::string BaseResItemImpl::GetSortText() const {
  std::string sort_text = fields()->GetText(keys::kSortText);
  return sort_text.empty() ? code() : sort_text;
}

bool BaseResItemImpl::GetNumber(int& number) const {
  engine::FieldValue value;
  if (!fields()->GetFieldValue(keys::kNumber, value)) return false;
  if (value.IsInt()) {
    number = value.GetInt();
    return true;
  }
  const double figure = value.GetDouble();
  if (!value.IsDouble() || figure != std::floor(figure) || figure < INT_MIN || figure > INT_MAX)
    return false;
  number = static_cast<int>(figure);
  return true;
}

BaseResItemGroupImpl::BaseResItemGroupImpl(std::string id, std::string form_name)
    : DocumentObjectImpl(std::move(id)), form_name_(std::move(form_name)) {}

ProjectImpl* BaseResItemGroupImpl::project() const {
  if (SubProjectImpl* holder = sub_project()) return holder->project();
  return dynamic_cast<ProjectImpl*>(owner());
}

SubProjectImpl* BaseResItemGroupImpl::sub_project() const {
  return dynamic_cast<SubProjectImpl*>(owner());
}

engine::qrv::QRVSubProject* BaseResItemGroupImpl::GetOwnerSubProject() const {
  if (SubProjectImpl* holder = sub_project()) return holder;
  ProjectImpl* owner_project = dynamic_cast<ProjectImpl*>(owner());
  return owner_project ? owner_project->GetRootSubProject() : nullptr;
}

std::unique_ptr<engine::Iterator<engine::qrv::QRVBaseResItem>>
BaseResItemGroupImpl::CreateChildIterator() const {
  std::vector<engine::qrv::QRVBaseResItem*> items;
  items.reserve(entries_.size());
  for (const auto& entry : entries_.items()) items.push_back(entry.get());
  return std::make_unique<VectorIterator<engine::qrv::QRVBaseResItem>>(std::move(items));
}

engine::qrv::QRVCostAccountGroupFile* BaseResItemGroupImpl::GetCostAccountGroup() const {
  ProjectImpl* owner_project = project();
  return owner_project ? owner_project->cost_accounts() : nullptr;
}

BaseResItemImpl* ResSummaryImpl::FindByCode(const std::string& code) const {
  for (const auto& entry : entries_.items())
    if (entry->code() == code) return entry.get();
  return nullptr;
}

SubProjectImpl* ResSummaryImpl::sub_project() const {
  return dynamic_cast<SubProjectImpl*>(owner());
}

}  // namespace reference_host
