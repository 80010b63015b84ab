// The id index of one estimate document: finds an object by its id in one
// probe of a flat table, and hands back both the host's own class and the
// engine::DocumentObject face it was given at insertion, so a lookup never
// converts (reaching a virtual base reads the object). Holds no copies of
// ids: a slot keeps the id's hash, the object and where its face lies in
// it, and a lookup whose hash matches compares the object's own id.
// Owned by the document; the objects are not owned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "host/engine/document_object.h"

namespace reference_host {

class DocumentObjectImpl;

class ObjectIndex {
 public:
  ObjectIndex();
  ~ObjectIndex();
  ObjectIndex(const ObjectIndex&) = delete;
  ObjectIndex& operator=(const ObjectIndex&) = delete;

  // Null when no object here has |id|.
  DocumentObjectImpl* Find(std::string_view id) const;
  engine::DocumentObject* FindFace(std::string_view id) const;

  // Adds |object| under its current id, which must not change while it is
  // here. False, with nothing changed, when another object holds the id;
  // true when |object| itself already does.
  bool Insert(DocumentObjectImpl* object);
  // Takes |object| out when it is the one held under its id.
  void Erase(const DocumentObjectImpl* object);

  size_t size() const { return size_; }
  // Calls |visit|(DocumentObjectImpl*) for every object, in no set order.
  template <class Visit>
  void ForEach(Visit visit) const {
    for (size_t i = 0; i < capacity_; ++i)
      if (DocumentObjectImpl* object = ObjectAt(i)) visit(object);
  }
  void Clear();

 private:
  struct Slot;

  DocumentObjectImpl* ObjectAt(size_t i) const;
  // The slot holding |id|, or null.
  const Slot* FindSlot(std::string_view id) const;
  // Makes room for one more, keeping the table at most 5/8 full.
  void Reserve(size_t count);

  std::unique_ptr<Slot[]> slots_;
  size_t capacity_ = 0;  // zero or a power of two
  size_t size_ = 0;
};

}  // namespace reference_host
