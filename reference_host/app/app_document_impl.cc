#include "reference_host/app/app_document_impl.h"

#include <utility>

namespace reference_host {

AppDocumentImpl::AppDocumentImpl(std::unique_ptr<EstimateDocument> document)
    : document_(document ? std::move(document) : std::make_unique<EstimateDocument>()) {}

AppDocumentImpl::~AppDocumentImpl() = default;

engine::DocumentObject* AppDocumentImpl::FindObjectById(const std::string& id) const {
  return document_->FindObjectById(id);
}

void AppDocumentImpl::NotifyResItemCollected(const std::string& budget_item_id,
                                             const std::string& cost_item_id, bool collected) {
  collected_.push_back({budget_item_id, cost_item_id, collected});
}

void AppDocumentImpl::NotifyBaseResItemMergeChanged(const std::string& base_res_item_id) {
  merge_changed_.push_back(base_res_item_id);
}

void AppDocumentImpl::ClearNotifications() {
  collected_.clear();
  merge_changed_.clear();
}

PlainAppDocument::PlainAppDocument(std::unique_ptr<EstimateDocument> document)
    : document_(document ? std::move(document) : std::make_unique<EstimateDocument>()) {}

PlainAppDocument::~PlainAppDocument() = default;

engine::DocumentObject* PlainAppDocument::FindObjectById(const std::string& id) const {
  return document_->FindObjectById(id);
}

}  // namespace reference_host
