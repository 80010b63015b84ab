#include "reference_host/model/base_res_item_impl.h"

#include <glog/logging.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/estimate_document.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/vector_iterator.h"

namespace reference_host {
namespace {

// A snapshot of the attached lines, so that moving lines while walking is safe.
class AttachedLineIterator : public engine::qrv::QRVResItemIterator {
 public:
  explicit AttachedLineIterator(std::vector<scoped_refptr<ResItemImpl>> lines)
      : lines_(std::move(lines)) {}
  void First() override { at_ = 0; }
  void Next() override {
    if (at_ < lines_.size()) ++at_;
  }
  bool IsDone() const override { return at_ >= lines_.size(); }
  engine::qrv::QRVResItem* CurrentItem() const override {
    return IsDone() ? nullptr : lines_[at_].get();
  }

 private:
  std::vector<scoped_refptr<ResItemImpl>> lines_;
  size_t at_ = 0;
};

}  // namespace

BaseResItemImpl::BaseResItemImpl(std::string id) : DocumentObjectImpl(std::move(id)) {
  fields()->set_listener(this);
}

BaseResItemImpl::~BaseResItemImpl() { fields()->set_listener(nullptr); }

void BaseResItemImpl::OnFieldsChanged() {
  if (ResSummaryImpl* owner_summary = summary()) owner_summary->MarkIndexStale();
}

void BaseResItemImpl::CopyFrom(const engine::BaseResItem* source) {
  if (!source || source == this) return;
  auto* impl = dynamic_cast<const BaseResItemImpl*>(source);
  if (!impl) {
    LOG(ERROR) << "entry " << GetId() << " cannot copy an entry of another host";
    return;
  }
  fields()->AssignFrom(*impl->fields());
}

void BaseResItemImpl::SetName(const std::string& name) { fields()->SetText(keys::kName, name); }

std::string BaseResItemImpl::GetKey() const {
  std::string key;
  for (const char* field : {keys::kCode, keys::kName, keys::kUnit, keys::kResType}) {
    key += fields()->GetText(field);
    key += '\x1f';
  }
  double price = 0.0;
  if (fields()->GetNumber(keys::kPrice, price)) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.17g", price);
    key += text;
  }
  return key;
}

void BaseResItemImpl::SetNumber(int number) {
  fields()->SetFieldValue(keys::kNumber, engine::FieldValue(number), true);
}

int BaseResItemImpl::number() const {
  int number = 0;
  return GetNumber(number) ? number : 0;
}

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
  if (!cost_item || cost_item->GetId().empty()) return;
  auto [it, fresh] = attached_.emplace(cost_item->GetId(), cost_item->AsWeakPtr());
  if (fresh)
    attached_list_stale_ = true;
  else if (!it->second)
    it->second = cost_item->AsWeakPtr();
}

void BaseResItemImpl::AddRegisteredId(const std::string& cost_item_id) {
  if (cost_item_id.empty()) return;
  if (attached_.emplace(cost_item_id, base::WeakPtr<base::Object>()).second)
    attached_list_stale_ = true;
}

void BaseResItemImpl::RemoveResItem(engine::qrv::QRVResItem* cost_item) {
  if (cost_item && attached_.erase(cost_item->GetId())) attached_list_stale_ = true;
}

const std::vector<std::string>& BaseResItemImpl::registered_res_item_ids() const {
  if (attached_list_stale_) {
    attached_list_.clear();
    attached_list_.reserve(attached_.size());
    for (const auto& attached : attached_) attached_list_.push_back(attached.first);
    attached_list_stale_ = false;
  }
  return attached_list_;
}

std::unique_ptr<engine::qrv::QRVResItemIterator> BaseResItemImpl::CreateResItemIterator() const {
  std::vector<scoped_refptr<ResItemImpl>> lines;
  lines.reserve(attached_.size());
  for (const auto& [id, given] : attached_) {
    auto* line = dynamic_cast<ResItemImpl*>(given.get());
    if (!line && document()) line = dynamic_cast<ResItemImpl*>(document()->FindImpl(id));
    if (line) lines.push_back(line);
  }
  return std::make_unique<AttachedLineIterator>(std::move(lines));
}

void BaseResItemImpl::RemoveRegisteredId(const std::string& cost_item_id) {
  if (attached_.erase(cost_item_id)) attached_list_stale_ = true;
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
  for (const auto& attached : attached_) {
    auto* line = document()->Find<engine::ResItem>(attached.first);
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

// BaseResItemGroupImpl.

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
  for (BaseResItemImpl* entry : entries_.items()) items.push_back(entry);
  return std::make_unique<VectorIterator<engine::qrv::QRVBaseResItem>>(std::move(items));
}

engine::qrv::QRVCostAccountGroupFile* BaseResItemGroupImpl::GetCostAccountGroup() const {
  ProjectImpl* owner_project = project();
  return owner_project ? owner_project->cost_accounts() : nullptr;
}

bool BaseResItemGroupImpl::AddBaseResItem(engine::qrv::QRVBaseResItem* entry,
                                          engine::qrv::QRVBaseResItem* position, bool notify) {
  auto* impl = dynamic_cast<BaseResItemImpl*>(entry);
  auto* after = dynamic_cast<BaseResItemImpl*>(position);
  if ((entry && !impl) || (position && !after)) {
    LOG(ERROR) << "form " << GetId() << " refused an entry of another host";
    return false;
  }
  if (!entries_.InsertAfter(impl, after)) return false;
  if (notify) ++notification_count_;
  return true;
}

bool BaseResItemGroupImpl::RemoveBaseResItem(engine::qrv::QRVBaseResItem* entry) {
  auto* impl = dynamic_cast<BaseResItemImpl*>(entry);
  if (!impl || !entries_.Remove(impl)) return false;
  ++notification_count_;
  return true;
}

void BaseResItemGroupImpl::RefreshChildren() {
  ++refresh_count_;
  entries_.Refresh();
}

// ResSummaryImpl.

BaseResItemImpl* ResSummaryImpl::FindByCode(const std::string& code) const {
  for (const auto& entry : entries_.items())
    if (entry->code() == code) return entry.get();
  return nullptr;
}

SubProjectImpl* ResSummaryImpl::sub_project() const {
  return dynamic_cast<SubProjectImpl*>(owner());
}

engine::BaseResItem* ResSummaryImpl::Find(const std::string& key) const {
  EnsureIndex();
  auto it = by_key_.find(key);
  return it == by_key_.end() || it->second.empty() ? nullptr : it->second.front();
}

BaseResItemImpl* ResSummaryImpl::GetMemberAt(int index) const {
  if (index < entries_.size()) return entries_.at(index);
  index -= entries_.size();
  return index >= 0 && index < shared_count() ? shared_[index].get() : nullptr;
}

bool ResSummaryImpl::AddMember(engine::BaseResItem* entry) {
  auto* impl = dynamic_cast<BaseResItemImpl*>(entry);
  if (!impl) return false;
  if (entries_.IndexOf(impl) >= 0 || !shared_set_.insert(impl).second) return true;
  shared_.push_back(impl);
  return true;
}

bool ResSummaryImpl::Add(engine::BaseResItem* entry) {
  auto* impl = dynamic_cast<BaseResItemImpl*>(entry);
  if (!impl) {
    LOG(ERROR) << "summary " << GetId() << " refused an entry of another host";
    return false;
  }
  return Add(scoped_refptr<BaseResItemImpl>(impl));
}

int ResSummaryImpl::Next(const std::string& number_key) {
  EnsureIndex();
  auto it = numbers_.find(number_key);
  if (it == numbers_.end() || it->second.empty()) return 1;
  return it->second.rbegin()->first + 1;
}

bool ResSummaryImpl::Add(scoped_refptr<BaseResItemImpl> entry, int index) {
  BaseResItemImpl* raw = entry.get();
  if (!entries_.Insert(std::move(entry), index)) return false;
  if (!index_stale_) Index(raw);
  return true;
}

scoped_refptr<BaseResItemImpl> ResSummaryImpl::Remove(const BaseResItemImpl* entry) {
  scoped_refptr<BaseResItemImpl> removed = entries_.Remove(entry);
  if (removed && !index_stale_) Unindex(removed.get());
  return removed;
}

void ResSummaryImpl::EnsureIndex() const {
  if (!index_stale_) return;
  by_key_.clear();
  numbers_.clear();
  for (const auto& entry : entries_.items()) Index(entry.get());
  index_stale_ = false;
}

void ResSummaryImpl::Index(BaseResItemImpl* entry) const {
  by_key_[entry->GetKey()].push_back(entry);
  engine::FieldValue number;
  if (entry->fields()->GetFieldValue(keys::kNumber, number) && number.IsInt())
    ++numbers_[entry->GetNumberKey()][number.GetInt()];
}

void ResSummaryImpl::Unindex(const BaseResItemImpl* entry) const {
  auto bucket = by_key_.find(entry->GetKey());
  if (bucket != by_key_.end()) {
    auto& list = bucket->second;
    list.erase(std::remove(list.begin(), list.end(), entry), list.end());
    if (list.empty()) by_key_.erase(bucket);
  }
  engine::FieldValue number;
  if (!entry->fields()->GetFieldValue(keys::kNumber, number) || !number.IsInt()) return;
  auto numbered = numbers_.find(entry->GetNumberKey());
  if (numbered == numbers_.end()) return;
  auto count = numbered->second.find(number.GetInt());
  if (count != numbered->second.end() && --count->second == 0) numbered->second.erase(count);
}

}  // namespace reference_host
