#include "reference_host/model/res_collect_impl.h"

#include <glog/logging.h>

#include "reference_host/model/estimate_document.h"
#include "reference_host/model/res_item_impl.h"

namespace reference_host {

void ResCollectImpl::SetOwner(engine::DocumentObject* owner) {
  owner_ = owner;
  owner_alive_ = owner ? owner->AsWeakPtr() : base::WeakPtr<base::Object>();
}

engine::DocumentObject* ResCollectImpl::GetOwner() const { return owner_alive_ ? owner_ : nullptr; }

const std::vector<scoped_refptr<ResItemImpl>>& ResCollectImpl::listed_copies() const {
  static const std::vector<scoped_refptr<ResItemImpl>> kNone;
  return kNone;
}

void ListingCollectImpl::AppendCopies(std::vector<engine::ResItem*>& copies) const {
  for (const auto& copy : copies_) copies.push_back(copy.get());
}

void ListingCollectImpl::ListCopy(engine::ResItem* copy) {
  if (!copy) return;
  auto* item = dynamic_cast<ResItemImpl*>(copy);
  if (!item) {
    LOG(ERROR) << "collection record refused a resource item of another host";
    return;
  }
  copies_.push_back(item);
  EstimateDocument* document = holder() ? holder()->document() : nullptr;
  if (!document) return;
  const bool entering = item->document() != document;
  EstimateDocument::Enter(document, item);
  if (entering && item->document() == document && document->copy_observer())
    document->copy_observer()->CopyEntered(item);
}

void ListingCollectImpl::UnlistCopy(engine::ResItem* copy) {
  for (auto it = copies_.begin(); it != copies_.end(); ++it) {
    if (static_cast<engine::ResItem*>(it->get()) != copy) continue;
    scoped_refptr<ResItemImpl> removed = *it;
    copies_.erase(it);
    EstimateDocument* document = holder() ? holder()->document() : nullptr;
    if (!document) return;
    EstimateDocument::Leave(removed.get());
    if (!removed->document() && document->copy_observer())
      document->copy_observer()->CopyLeft(removed.get());
    return;
  }
}

bool ResCollectTempleteImpl::IsCollected() const {
  for (const auto& copy : listed_copies()) {
    auto* record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(copy->GetCollect());
    if (record && record->GetCBResItem()) return true;
  }
  return false;
}

engine::ResItem* ResCollectCopyImpl::GetTempleteResItem() const {
  return budget_alive_ ? budget_item_ : nullptr;
}

void ResCollectCopyImpl::SetTempleteResItem(engine::ResItem* budget_item) {
  budget_item_ = budget_item;
  budget_alive_ = budget_item ? budget_item->AsWeakPtr() : base::WeakPtr<base::Object>();
}

engine::qrv::QRVResItem* ResCollectCopyImpl::GetCBResItem() const {
  return cost_alive_ ? cost_item_ : nullptr;
}

void ResCollectCopyImpl::SetCBResItem(engine::qrv::QRVResItem* cost_item) {
  cost_item_ = cost_item;
  cost_alive_ = cost_item ? cost_item->AsWeakPtr() : base::WeakPtr<base::Object>();
}

}  // namespace reference_host
