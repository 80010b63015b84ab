#include "reference_host/model/res_item_aggregation.h"

#include <vector>

#include "host/engine/qrv/qrv_res_item_detail.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/res_item_callback.h"
#include "host/marrow/res_item_fingerprint.h"
#include "reference_host/model/aggregated_res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/vector_iterator.h"

namespace reference_host {

AggregatedResItemImpl::AggregatedResItemImpl(engine::ResItem* first_member)
    : DocumentObjectImpl("aggregate:" + first_member->GetId()) {
  AddMember(first_member);
}

AggregatedResItemImpl::~AggregatedResItemImpl() = default;

bool AggregatedResItemImpl::GetQuantity(double& quantity) const {
  bool any = false;
  double total = 0.0;
  for (const auto& member : members_) {
    double part = 0.0;
    if (member->GetQuantity(part)) {
      total += part;
      any = true;
    }
  }
  if (any) quantity = total;
  return any;
}

void AggregatedResItemImpl::CopyFrom(const engine::ResItem*) {}
void AggregatedResItemImpl::ResetOwnerRef(int) {}
engine::ResItemSourceRef AggregatedResItemImpl::GetSourceRef() const {
  return engine::ResItemSourceRef();
}
void AggregatedResItemImpl::SetSourceRef(const std::string&) {}

void AggregatedResItemImpl::SetBaseResItem(engine::BaseResItem*) {}

engine::BaseResItem* AggregatedResItemImpl::GetBaseResItem() const {
  return members_.empty() ? nullptr : members_.front()->GetBaseResItem();
}

std::string AggregatedResItemImpl::GetResType() const {
  return members_.empty() ? std::string() : members_.front()->GetResType();
}

engine::ResItem* AggregatedResItemImpl::GetDetailResItem(int index) const {
  if (index < 0 || index >= GetDetailCount()) return nullptr;
  return members_[index].get();
}

std::unique_ptr<engine::Iterator<engine::ResItem>> AggregatedResItemImpl::CreateDetailIterator()
    const {
  std::vector<engine::ResItem*> items;
  items.reserve(members_.size());
  for (const auto& member : members_) items.push_back(member.get());
  return std::make_unique<VectorIterator<engine::ResItem>>(std::move(items));
}

ResItemAggregation::ResItemAggregation(engine::ResItemCallBack* callback)
    : callback_(callback), group_(new engine::ResItemGroupImpl()) {
  auto* fingerprint = dynamic_cast<marrow::ResItemFingerprint*>(callback);
  group_->SetPlain(!fingerprint || fingerprint->IsPlainFingerprint());
}

ResItemAggregation::~ResItemAggregation() = default;

void ResItemAggregation::AddLine(engine::ResItem* line) {
  if (!callback_ || !line || !callback_->IsValid(line)) return;
  const uint64_t fingerprint = callback_->GetFingerprint(line);
  auto [slot, fresh] = by_fingerprint_.emplace(fingerprint, nullptr);
  if (!fresh) {
    slot->second->AddMember(line);
    return;
  }
  slot->second = new AggregatedResItemImpl(line);
  group_->AddEntry(slot->second);
}

void ResItemAggregation::AddBillTree(const SubEngineeringImpl* item, Side side) {
  if (!item || !callback_) return;
  const ResItemListImpl* list = side == Side::kBudget ? item->budget_list() : item->cost_list();
  if (list) {
    for (int i = 0; i < list->size(); ++i) AddLine(list->item(i));
  }
  for (int i = 0; i < item->GetChildCount(); ++i) AddBillTree(item->child(i), side);
}

void ResItemAggregation::AddSubProjectTree(const SubProjectImpl* sub_project) {
  if (!sub_project || !callback_) return;
  for (int i = 0; i < sub_project->GetSubEngineeringCount(); ++i)
    AddBillTree(sub_project->GetSubEngineering(i), Side::kBudget);
  for (int i = 0; i < sub_project->GetChildCount(); ++i)
    AddSubProjectTree(sub_project->GetChild(i));
}

scoped_refptr<engine::ResItemGroup> ResItemAggregation::Finish() {
  by_fingerprint_.clear();
  return group_;
}

}  // namespace reference_host

// The engine's own group class and its two detail entry points.
namespace engine {

ResItemGroupImpl::ResItemGroupImpl() = default;
ResItemGroupImpl::~ResItemGroupImpl() = default;

std::unique_ptr<Iterator<ResItem>> ResItemGroupImpl::CreateEntryIterator() const {
  std::vector<ResItem*> items;
  items.reserve(entries_.size());
  for (const auto& entry : entries_) items.push_back(entry.get());
  return std::make_unique<reference_host::VectorIterator<ResItem>>(std::move(items));
}

int ResItemGroupImpl::GetEntryCount() const { return static_cast<int>(entries_.size()); }

ResItem* ResItemGroupImpl::GetEntry(int index) const {
  if (index < 0 || index >= GetEntryCount()) return nullptr;
  return entries_[index].get();
}

void ResItemGroupImpl::SetRootSubEngineering(SubEngineering* root) { root_ = root; }
SubEngineering* ResItemGroupImpl::GetRootSubEngineering() const { return root_; }

void ResItemGroupImpl::AddEntry(ResItem* entry) {
  if (entry) entries_.emplace_back(entry);
}

namespace internal {

scoped_refptr<ResItemGroup> GetResItemDetail(const std::vector<SubEngineering*>& bills,
                                             ResItemCallBack* callback) {
  reference_host::ResItemAggregation aggregation(callback);
  for (SubEngineering* bill : bills)
    aggregation.AddBillTree(dynamic_cast<reference_host::SubEngineeringImpl*>(bill),
                            reference_host::ResItemAggregation::Side::kBudget);
  return aggregation.Finish();
}

}  // namespace internal

namespace qrv {
namespace internal {

scoped_refptr<ResItemGroup> GetQRVResItemDetail(const std::vector<QRVSubEngineering*>& bills,
                                                ResItemCallBack* callback) {
  reference_host::ResItemAggregation aggregation(callback);
  for (QRVSubEngineering* bill : bills)
    aggregation.AddBillTree(dynamic_cast<reference_host::SubEngineeringImpl*>(bill),
                            reference_host::ResItemAggregation::Side::kCost);
  return aggregation.Finish();
}

}  // namespace internal
}  // namespace qrv
}  // namespace engine
