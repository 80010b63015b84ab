// The one implementation of engine::DocumentObject every host object derives
// from: id, owning document, owner and fields. Concrete classes add their
// faces beside it; dominance makes these the final overriders. Who owns an
// object: the OwnedChildren list of its owner (or the document for the
// project, or the collection records for a copy item).
#pragma once

#include <string>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/document_object.h"
#include "reference_host/model/field_container_impl.h"

namespace reference_host {

class EstimateDocument;

class DocumentObjectImpl : public virtual engine::DocumentObject {
 public:
  DocumentObjectImpl(const DocumentObjectImpl&) = delete;
  DocumentObjectImpl& operator=(const DocumentObjectImpl&) = delete;

  // engine::DocumentObject:
  const std::string& GetId() const override { return id_; }
  engine::Document* GetDocument() const override;
  engine::DocumentObject* GetOwner() const override;
  engine::FieldContainer* GetFieldContainer() const override { return &fields_; }

  // The id without a virtual call, for the document's index.
  const std::string& id() const { return id_; }
  FieldContainerImpl* fields() const { return &fields_; }
  EstimateDocument* document() const { return document_; }
  DocumentObjectImpl* owner() const { return owner_; }

  // Appends the objects that belong to this one and enter or leave a
  // document with it (tree children, and the copies its record lists).
  virtual void AppendMembers(std::vector<DocumentObjectImpl*>& members) const;
  // False when AppendMembers would add nothing; true when it may.
  bool may_have_members() const { return may_have_members_; }

 protected:
  // An empty |id| draws a fresh random one.
  explicit DocumentObjectImpl(std::string id);
  ~DocumentObjectImpl() override;

  // Ownership hooks for list-like members that are not OwnedChildren.
  void set_owner_of(DocumentObjectImpl* child, DocumentObjectImpl* owner) { child->owner_ = owner; }
  // Whether AppendMembers may add anything (the default). A class whose
  // objects mostly have no members clears it while they have none, so the
  // document's walks skip the call and the lines of the object it reads.
  void set_may_have_members(bool may) { may_have_members_ = may; }

 private:
  friend class EstimateDocument;
  template <class T>
  friend class OwnedChildren;
  template <class T>
  friend class PlaceKeepingChildren;

  std::string id_;
  EstimateDocument* document_ = nullptr;
  // How many members-of relations put the object into its document; a copy
  // item is a member of both records that list it.
  int attach_count_ = 0;
  // Beside the count, in what was padding: the walks read both.
  bool may_have_members_ = true;
  DocumentObjectImpl* owner_ = nullptr;
  mutable FieldContainerImpl fields_;
};

}  // namespace reference_host
