#include "reference_host/model/document_object_impl.h"

#include <utility>

#include "reference_host/base/object_id.h"
#include "reference_host/model/estimate_document.h"

namespace reference_host {

DocumentObjectImpl::DocumentObjectImpl(std::string id)
    : id_(id.empty() ? NewObjectId() : std::move(id)) {}

DocumentObjectImpl::~DocumentObjectImpl() {
  // Members always leave before they die; this only guards against a
  // dangling index entry should that ever be skipped.
  if (document_) {
    attach_count_ = 1;
    EstimateDocument::Leave(this);
  }
}

engine::Document* DocumentObjectImpl::GetDocument() const { return document_; }

engine::DocumentObject* DocumentObjectImpl::GetOwner() const { return owner_; }

void DocumentObjectImpl::AppendMembers(std::vector<DocumentObjectImpl*>&) const {}

}  // namespace reference_host
