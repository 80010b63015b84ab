#include "reference_host/model/estimate_document.h"

#include <glog/logging.h>

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/document_observer.h"
#include "reference_host/model/project_impl.h"

namespace reference_host {

namespace {

// The walks over a subtree skip objects that cannot have members without
// reading more of them than their first line.
template <class Stack>
void AppendMembersOf(const DocumentObjectImpl* object, Stack& stack) {
  if (object->may_have_members()) object->AppendMembers(stack);
}

// The walks take objects from the top of their stack, and most objects have
// no members, so the one a few places down is met a few steps on. Asking
// for its first line now lets the wait for memory overlap the steps
// between (a hint: nothing depends on it).
void PrefetchAhead(const std::vector<DocumentObjectImpl*>& stack) {
  constexpr size_t kAhead = 4;
  if (stack.size() >= kAhead) __builtin_prefetch(stack[stack.size() - kAhead]);
}

// Entering and leaving take this many objects of a subtree one at a time,
// as they are met, and batch only the rest: most subtrees that move (an
// item with its lines, a row) are smaller, and a batch would cost them more
// than it saves.
constexpr size_t kOneByOne = 64;

}  // namespace

EstimateDocument::EstimateDocument() = default;

EstimateDocument::~EstimateDocument() {
  // Objects may outlive the document (a caller may hold a reference): cut
  // every tie to it before the tree goes.
  if (project_) {
    std::vector<DocumentObjectImpl*> stack{project_.get()};
    while (!stack.empty()) {
      DocumentObjectImpl* object = stack.back();
      stack.pop_back();
      PrefetchAhead(stack);
      if (object->document_ != this) continue;
      object->document_ = nullptr;
      object->attach_count_ = 0;
      AppendMembersOf(object, stack);
    }
  }
  index_.ForEach([](DocumentObjectImpl* object) {
    object->document_ = nullptr;
    object->attach_count_ = 0;
  });
  index_.Clear();
  project_.reset();
}

void EstimateDocument::AddObserver(DocumentObserver* observer) {
  if (!observer || std::find(observers_.begin(), observers_.end(), observer) != observers_.end())
    return;
  observers_.push_back(observer);
}

void EstimateDocument::RemoveObserver(DocumentObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void EstimateDocument::NotifyFiguresRecalculated(const DocumentObjectImpl& object) const {
  for (DocumentObserver* observer : observers_) observer->OnFiguresRecalculated(object);
}

engine::DocumentObject* EstimateDocument::FindObjectById(const std::string& id) const {
  return index_.FindFace(id);
}

DocumentObjectImpl* EstimateDocument::FindImpl(const std::string& id) const {
  return index_.Find(id);
}

void EstimateDocument::GetAllObjects(std::vector<engine::DocumentObject*>& objects) const {
  if (!project_) return;
  std::unordered_set<const DocumentObjectImpl*> shared_seen;
  std::vector<DocumentObjectImpl*> stack{project_.get()};
  std::vector<DocumentObjectImpl*> members;
  while (!stack.empty()) {
    DocumentObjectImpl* object = stack.back();
    stack.pop_back();
    PrefetchAhead(stack);
    if (object->document_ != this) continue;
    // Copy items are members of two records: list them once.
    if (object->attach_count_ > 1 && !shared_seen.insert(object).second) continue;
    objects.push_back(object);
    members.clear();
    AppendMembersOf(object, members);
    stack.insert(stack.end(), members.rbegin(), members.rend());
  }
}

bool EstimateDocument::SetProject(scoped_refptr<ProjectImpl> project) {
  if (project && (project->document() || project->owner())) {
    LOG(ERROR) << "project " << project->GetId() << " already belongs elsewhere";
    return false;
  }
  if (project) {
    scoped_refptr<ProjectImpl> previous = project_;
    // The old tree leaves first so the new one may reuse its ids.
    if (previous) Leave(previous.get());
    if (!CanEnter(this, project.get())) {
      if (previous) Enter(this, previous.get());
      return false;
    }
    project_ = project;
    Enter(this, project_.get());
    return true;
  }
  if (project_) Leave(project_.get());
  project_.reset();
  return true;
}

bool EstimateDocument::CanAdopt(const DocumentObjectImpl* holder, const DocumentObjectImpl* child) {
  if (!holder || !child) {
    LOG(ERROR) << "cannot add a null object";
    return false;
  }
  if (child->owner_) {
    LOG(ERROR) << "object " << child->id_ << " already has an owner (" << child->owner_->id_ << ")";
    return false;
  }
  for (const DocumentObjectImpl* up = holder; up; up = up->owner_) {
    if (up == child) {
      LOG(ERROR) << "object " << child->id_ << " cannot be put under itself";
      return false;
    }
  }
  return CanEnter(holder->document_, child);
}

bool EstimateDocument::CanEnter(const EstimateDocument* document, const DocumentObjectImpl* root) {
  if (!document || !root) return true;
  // The subtree's objects are gathered first and checked against the index,
  // and against each other, in slot order (ObjectIndex::Batch): a whole
  // project enters at once on load, a merge brings subtrees of a million
  // objects. A member met from its owner is met once; one met otherwise (a
  // copy item two records list) is looked into only the first time.
  ObjectIndex::Batch entering;
  std::unordered_set<const DocumentObjectImpl*> shared_seen;
  std::vector<DocumentObjectImpl*> stack{const_cast<DocumentObjectImpl*>(root)};
  std::vector<const DocumentObjectImpl*> met_from{root->owner_};  // beside |stack|
  while (!stack.empty()) {
    DocumentObjectImpl* object = stack.back();
    const DocumentObjectImpl* from = met_from.back();
    stack.pop_back();
    PrefetchAhead(stack);
    met_from.pop_back();
    if (object->document_ == document) continue;  // already in, with its members
    // Met otherwise than from its owner, and more than once: only an object
    // with members needs its first time found (one without adds itself again,
    // which is no clash).
    if (object->owner_ != from && object->may_have_members() && !shared_seen.insert(object).second)
      continue;
    entering.Add(object);
    AppendMembersOf(object, stack);
    met_from.resize(stack.size(), object);
  }
  if (const DocumentObjectImpl* clash = document->index_.FirstClash(entering)) {
    LOG(ERROR) << "duplicate object id " << clash->id_ << ": the document already holds one";
    return false;
  }
  return true;
}

void EstimateDocument::Enter(EstimateDocument* document, DocumentObjectImpl* root) {
  if (!document || !root) return;
  // The walk counts and marks; past the first few, the index takes the
  // newcomers afterwards, in slot order.
  ObjectIndex::Batch entering;
  size_t met = 0;
  std::vector<DocumentObjectImpl*> stack{root};
  while (!stack.empty()) {
    DocumentObjectImpl* object = stack.back();
    stack.pop_back();
    PrefetchAhead(stack);
    if (object->attach_count_++ > 0) continue;
    object->document_ = document;
    if (++met <= kOneByOne)
      document->Register(object);
    else
      entering.AddWithFace(object);
    AppendMembersOf(object, stack);
  }
  for (const DocumentObjectImpl* refused : document->index_.InsertBatch(entering))
    LOG(ERROR) << "duplicate object id " << refused->id_ << ": the document already holds one";
}

void EstimateDocument::Leave(DocumentObjectImpl* root) {
  if (!root) return;
  // The walk counts and unmarks; past the first few, the index lets the
  // leavers go afterwards, in slot order. A subtree lies in one document;
  // an object of another (never seen in practice) leaves that one's index
  // at once.
  EstimateDocument* document = nullptr;
  ObjectIndex::Batch leaving;
  size_t met = 0;
  std::vector<DocumentObjectImpl*> stack{root};
  while (!stack.empty()) {
    DocumentObjectImpl* object = stack.back();
    stack.pop_back();
    PrefetchAhead(stack);
    if (object->attach_count_ == 0 || --object->attach_count_ > 0) continue;
    if (EstimateDocument* from = object->document_) {
      if (!document) document = from;
      if (from == document && ++met > kOneByOne)
        leaving.Add(object);
      else
        from->Unregister(object);
    }
    object->document_ = nullptr;
    AppendMembersOf(object, stack);
  }
  if (document) document->index_.EraseBatch(leaving);
}

bool EstimateDocument::Rename(DocumentObjectImpl* object, const std::string& id) {
  if (!object || object->document_ != this || id.empty()) return false;
  if (id == object->id_) return true;
  if (index_.Find(id)) return false;
  Unregister(object);
  object->id_ = id;
  return Register(object);
}

bool EstimateDocument::Register(DocumentObjectImpl* object) {
  if (!index_.Insert(object)) {
    LOG(ERROR) << "duplicate object id " << object->id_ << ": the document already holds one";
    return false;
  }
  return true;
}

void EstimateDocument::Unregister(DocumentObjectImpl* object) { index_.Erase(object); }

}  // namespace reference_host
