#include "reference_host/model/res_item_impl.h"

#include <glog/logging.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "reference_host/model/estimate_document.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/vector_iterator.h"

namespace reference_host {
namespace {

// Guards the copy-quantity chain against records that name each other.
thread_local int quantity_depth = 0;

}  // namespace

// Only a record that lists copies gives a line members.
ResItemImpl::ResItemImpl(std::string id) : DocumentObjectImpl(std::move(id)) {
  set_may_have_members(false);
}

ResItemImpl::~ResItemImpl() {
  if (ResCollectImpl* held = record(); held && held->holder_ == this) held->holder_ = nullptr;
}

bool ResItemImpl::GetQuantity(double& quantity) const {
  auto* copy_record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(record_.get());
  engine::ResItem* budget = copy_record ? copy_record->GetTempleteResItem() : nullptr;
  double ratio = 0.0;
  if (budget && budget != this && fields()->GetNumber(keys::kCollectRatio, ratio)) {
    if (quantity_depth > 64) return false;
    ++quantity_depth;
    double budget_quantity = 0.0;
    bool readable = budget->GetQuantity(budget_quantity);
    --quantity_depth;
    if (!readable) return false;
    quantity = budget_quantity * ratio;
    return true;
  }
  if (!has_quantity_) return false;
  quantity = quantity_;
  return true;
}

void ResItemImpl::CopyFrom(const engine::ResItem* source) {
  if (!source || source == this) return;
  if (auto* impl = dynamic_cast<const FieldContainerImpl*>(source->GetFieldContainer()))
    fields()->AssignFrom(*impl);
  else
    fields()->Assign(source->GetFieldContainer()->GetAllFields());
  double quantity = 0.0;
  if (source->GetQuantity(quantity))
    SetQuantity(quantity);
  else
    ClearQuantity();
  entry_ = dynamic_cast<BaseResItemImpl*>(source->GetBaseResItem());
  SetSourceRef(source->GetSourceRef());
}

engine::ResItemSourceRef ResItemImpl::GetSourceRef() const {
  SubEngineeringImpl* stands_in = owner_sub_engineering();
  if (!stands_in) {
    auto* copy_record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(record_.get());
    auto* budget =
        copy_record ? dynamic_cast<ResItemImpl*>(copy_record->GetTempleteResItem()) : nullptr;
    if (budget && budget != this) stands_in = budget->owner_sub_engineering();
  }
  return engine::ResItemSourceRef(rare_ ? rare_->source_ref : std::string(), stands_in);
}

void ResItemImpl::SetSourceRef(const std::string& source) {
  if (!rare_ && source.empty()) return;
  rare().source_ref = source;
}

void ResItemImpl::SetContent(const std::string& content) {
  if (!rare_ && content.empty()) return;
  rare().content = content;
}

std::string ResItemImpl::GetResType() const { return fields()->GetText(keys::kResType); }

std::unique_ptr<engine::Iterator<engine::ResItem>> ResItemImpl::CreateDetailIterator() const {
  return std::make_unique<VectorIterator<engine::ResItem>>(std::vector<engine::ResItem*>());
}

bool ResItemImpl::GetContent(double& content) const {
  static const std::string kNone;
  const std::string& text = rare_ ? rare_->content : kNone;
  // Digits as written, not what strtod also takes (blanks, "nan", hex).
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' ||
                        text[0] == '+' || text[0] == '.'))
    return false;
  if (text.find_first_of("xXnN") != std::string::npos) return false;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return false;
  content = value;
  return true;
}

void ResItemImpl::SetBaseResItem(engine::BaseResItem* entry) {
  auto* impl = dynamic_cast<BaseResItemImpl*>(entry);
  if (entry && !impl) {
    LOG(ERROR) << "resource item " << GetId() << " refused an entry of another host";
    return;
  }
  entry_ = impl;
}

void ResItemImpl::SetBaseResItem(engine::qrv::QRVBaseResItem* entry) {
  auto* impl = dynamic_cast<BaseResItemImpl*>(entry);
  if (entry && !impl) {
    LOG(ERROR) << "resource item " << GetId() << " refused an entry of another host";
    return;
  }
  entry_ = impl;
}

void ResItemImpl::ResetOwnerRef(int /*owner*/) {
  ResItemListImpl* list = owner_list();
  if (!list) return;
  // The list may hold the last reference; |this| may go when |keep| does.
  scoped_refptr<ResItemImpl> keep(this);
  list->Remove(this);
}

engine::ResItemList* ResItemImpl::GetOwnerList() const { return owner_list(); }

ResItemListImpl* ResItemImpl::owner_list() const {
  SubEngineeringImpl* bill = owner_sub_engineering();
  if (!bill) return nullptr;
  return in_list_ == InList::kBudget ? bill->budget_list() : bill->cost_list();
}

SubEngineeringImpl* ResItemImpl::owner_sub_engineering() const {
  return in_list_ == InList::kNone ? nullptr : static_cast<SubEngineeringImpl*>(owner());
}

ResCollectImpl* ResItemImpl::record() const { return dynamic_cast<ResCollectImpl*>(record_.get()); }

void ResItemImpl::SetCollect(engine::qrv::QRVResCollect* record) {
  if (record == record_.get()) return;
  scoped_refptr<engine::qrv::QRVResCollect> incoming(record);
  auto* incoming_impl = dynamic_cast<ResCollectImpl*>(record);
  if (incoming_impl && incoming_impl->holder_ && incoming_impl->holder_ != this) {
    LOG(ERROR) << "collection record is already attached to item "
               << incoming_impl->holder_->GetId();
    return;
  }
  if (ResCollectImpl* old = this->record()) {
    if (document()) {
      for (const auto& copy : old->listed_copies()) EstimateDocument::Leave(copy.get());
    }
    old->holder_ = nullptr;
  }
  record_ = incoming;
  set_may_have_members(dynamic_cast<ListingCollectImpl*>(incoming_impl) != nullptr);
  if (incoming_impl) {
    incoming_impl->holder_ = this;
    if (document()) {
      for (const auto& copy : incoming_impl->listed_copies())
        EstimateDocument::Enter(document(), copy.get());
    }
  }
}

bool ResItemImpl::IsLinkedTo(const engine::ResItem* budget_item) const {
  if (!budget_item || !rare_) return false;
  return rare_->links.slots.count(budget_item->GetId()) != 0;
}

void ResItemImpl::AddLinkedResItem(engine::ResItem* budget_item) {
  if (budget_item) AddLinkedId(budget_item->GetId());
}

void ResItemImpl::AddLinkedId(const std::string& budget_item_id) {
  if (budget_item_id.empty()) return;
  Links& links = rare().links;
  if (links.slots.emplace(budget_item_id, links.ids.size()).second)
    links.ids.push_back(budget_item_id);
}

void ResItemImpl::RemoveLinkedResItem(engine::ResItem* budget_item) {
  if (!budget_item || !rare_) return;
  Links& links = rare_->links;
  auto it = links.slots.find(budget_item->GetId());
  if (it == links.slots.end()) return;
  links.ids[it->second].clear();
  links.slots.erase(it);
  if (++links.removed * 2 > links.ids.size()) links.Compact();
}

const std::vector<std::string>& ResItemImpl::linked_ids() const {
  static const std::vector<std::string> kNone;
  if (!rare_) return kNone;
  rare_->links.Compact();
  return rare_->links.ids;
}

void ResItemImpl::Links::Compact() {
  if (removed == 0) return;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i].empty()) continue;
    if (kept != i) {
      ids[kept] = std::move(ids[i]);
      slots.find(ids[kept])->second = kept;
    }
    ++kept;
  }
  ids.resize(kept);
  removed = 0;
}

void ResItemImpl::Recalculate() {
  collected_quantity_ = 0.0;
  if (auto* obj = dynamic_cast<engine::qrv::QRVResCollectObj*>(record_.get())) {
    std::vector<engine::ResItem*> copies;
    obj->GetCopies(copies);
    for (engine::ResItem* copy : copies) {
      double quantity = 0.0;
      if (copy && copy->GetQuantity(quantity)) collected_quantity_ += quantity;
    }
  }
  if (document()) document()->NotifyFiguresRecalculated(*this);
}

void ResItemImpl::AppendMembers(std::vector<DocumentObjectImpl*>& members) const {
  ResCollectImpl* held = record();
  if (!held) return;
  for (const auto& copy : held->listed_copies()) members.push_back(copy.get());
}

ResItemListImpl::ResItemListImpl(SubEngineeringImpl* owner, Side side)
    : owner_(owner), side_(side) {}

ResItemListImpl::~ResItemListImpl() { Clear(); }

void ResItemListImpl::Clear() {
  if (!lines_) return;
  for (const auto& item : lines_->items()) item->in_list_ = ResItemImpl::InList::kNone;
  lines_.reset();
}

engine::DocumentObject* ResItemListImpl::GetOwner() const { return owner_; }

void ResItemListImpl::AddCBResItem(engine::qrv::QRVResItem* item, engine::qrv::QRVResItem* before) {
  auto* line = dynamic_cast<ResItemImpl*>(item);
  if (!line) {
    LOG(ERROR) << "not a resource line of this host";
    return;
  }
  int index = -1;
  if (auto* anchor = dynamic_cast<ResItemImpl*>(before)) index = IndexOf(anchor);
  Add(scoped_refptr<ResItemImpl>(line), index);
}

bool ResItemListImpl::Adopt(SubEngineeringImpl* owner, Side side) {
  if (owner_ || size() > 0 || !owner) return false;
  owner_ = owner;
  side_ = side;
  if (lines_) lines_->set_holder(owner);
  return true;
}

bool ResItemListImpl::Add(scoped_refptr<ResItemImpl> item, int index) {
  if (item && item->in_list_ != ResItemImpl::InList::kNone) {
    LOG(ERROR) << "resource item " << item->GetId() << " already stands in a list";
    return false;
  }
  ResItemImpl* raw = item.get();
  if (!lines_) lines_ = std::make_unique<OwnedChildren<ResItemImpl>>(owner_);
  if (!lines_->Insert(std::move(item), index)) return false;
  raw->in_list_ =
      side_ == Side::kBudget ? ResItemImpl::InList::kBudget : ResItemImpl::InList::kCost;
  if (owner_) owner_->set_list_holds_lines(side_, true);
  return true;
}

scoped_refptr<ResItemImpl> ResItemListImpl::Remove(const ResItemImpl* item) {
  if (!lines_) return nullptr;
  scoped_refptr<ResItemImpl> removed = lines_->Remove(item);
  if (removed) removed->in_list_ = ResItemImpl::InList::kNone;
  if (owner_ && size() == 0) owner_->set_list_holds_lines(side_, false);
  return removed;
}

}  // namespace reference_host
