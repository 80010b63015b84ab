// Lookups shared by the collection undo actions. Internal: not installed, and
// no installed header may include it.
#pragma once

#include <string>

#include "host/app/app_document.h"
#include "host/app/qrv/qrv_document.h"
#include "host/engine/document_object.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"

namespace marrow {
namespace qrv {
namespace internal {

// Finds the cost item and a second item (budget or copy) of |document| by
// their stored ids. False when an id is empty, the document is null or
// either object is missing or of another kind.
inline bool FindCollectItems(app::AppDocument* document, const std::string& cost_item_id,
                             const std::string& item_id, engine::qrv::QRVResItem** cost_item,
                             engine::ResItem** item) {
  *cost_item = nullptr;
  *item = nullptr;
  if (cost_item_id.empty() || item_id.empty() || !document) return false;
  *cost_item = dynamic_cast<engine::qrv::QRVResItem*>(document->FindObjectById(cost_item_id));
  *item = dynamic_cast<engine::ResItem*>(document->FindObjectById(item_id));
  return *cost_item && *item;
}

// Tells a product document that |budget_item| was collected into or released
// from |cost_item|; other documents are not told.
inline void NotifyCollected(app::AppDocument* document, const engine::ResItem* budget_item,
                            const engine::qrv::QRVResItem* cost_item, bool collected) {
  auto* product_document = dynamic_cast<app::qrv::QRVDocumnet*>(document);
  if (!product_document) return;
  product_document->NotifyResItemCollected(budget_item->GetId(), cost_item->GetId(), collected);
}

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
