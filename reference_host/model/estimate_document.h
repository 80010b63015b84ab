// An estimate document: owns the project and keeps an id index of every
// object in it, in step as objects and whole subtrees enter and leave. A
// collection copy item is in the document while a record of an item in the
// document lists it. Observers hear of recalculated figures.
#pragma once

#include <string>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/document_object.h"
#include "reference_host/model/object_index.h"

namespace reference_host {

class DocumentObjectImpl;
class DocumentObserver;
class ProjectImpl;
class ResItemImpl;

// Told when a collection copy item enters the document because a record lists
// it, and when it leaves because the last record that listed it unlists it.
class CopyItemObserver {
 public:
  virtual void CopyEntered(ResItemImpl* copy) = 0;
  virtual void CopyLeft(ResItemImpl* copy) = 0;

 protected:
  ~CopyItemObserver() = default;
};

class EstimateDocument : public engine::Document {
 public:
  EstimateDocument();
  EstimateDocument(const EstimateDocument&) = delete;
  EstimateDocument& operator=(const EstimateDocument&) = delete;
  ~EstimateDocument() override;

  // engine::Document:
  engine::DocumentObject* FindObjectById(const std::string& id) const override;
  // Depth-first from the project, owners before their members.
  void GetAllObjects(std::vector<engine::DocumentObject*>& objects) const override;

  // The object with |id| seen through one of its faces, or null.
  template <class T>
  T* Find(const std::string& id) const {
    return dynamic_cast<T*>(FindObjectById(id));
  }
  DocumentObjectImpl* FindImpl(const std::string& id) const;

  // Puts |project| (free, not in another document) in, replacing any earlier
  // one. False, with nothing changed, when its tree repeats an id.
  bool SetProject(scoped_refptr<ProjectImpl> project);
  ProjectImpl* project() const { return project_.get(); }

  size_t object_count() const { return index_.size(); }

  // Observers are not owned; adding one twice is ignored.
  void AddObserver(DocumentObserver* observer);
  void RemoveObserver(DocumentObserver* observer);
  // Called by a member of the document after its Recalculate.
  void NotifyFiguresRecalculated(const DocumentObjectImpl& object) const;

  // Gives |object|, which is in this document, the id |id|. False, with
  // nothing changed, when |id| is empty or names another object here. Ids
  // are stable otherwise; this is for an object made anew in place of one
  // that left (see reference_host/app/part_ids.h).
  bool Rename(DocumentObjectImpl* object, const std::string& id);

  // At most one observer (not owned); null for none.
  CopyItemObserver* copy_observer() const { return copy_observer_; }
  void set_copy_observer(CopyItemObserver* observer) { copy_observer_ = observer; }

  // Membership plumbing for the model classes.
  //
  // Whether |child| may become a member of |holder|: it is free of any
  // owner, is not |holder| or an owner above it, and (when |holder| is in a
  // document) none of its ids is taken there. Logs the reason when not.
  static bool CanAdopt(const DocumentObjectImpl* holder, const DocumentObjectImpl* child);
  // Whether the subtree of |root| may enter |document| (no id taken).
  static bool CanEnter(const EstimateDocument* document, const DocumentObjectImpl* root);
  // Counts one more membership of |root|; the first enters it and its
  // members into |document|. Nothing happens for a null document.
  static void Enter(EstimateDocument* document, DocumentObjectImpl* root);
  // Counts one membership less; the last takes it and its members out.
  static void Leave(DocumentObjectImpl* root);

 private:
  bool Register(DocumentObjectImpl* object);
  void Unregister(DocumentObjectImpl* object);

  scoped_refptr<ProjectImpl> project_;
  ObjectIndex index_;
  std::vector<DocumentObserver*> observers_;

  CopyItemObserver* copy_observer_ = nullptr;
};

}  // namespace reference_host
