// The id index of one estimate document: finds an object by its id in one
// probe of a flat table, and hands back both the host's own class and the
// engine::DocumentObject face it was given at insertion, so a lookup never
// converts (reaching a virtual base reads the object). Holds no ids of its
// own: each slot keeps the id's hash and the object, whose id a match is
// checked against. Owned by the document; the objects are not owned.
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
  ObjectIndex() = default;
  ObjectIndex(const ObjectIndex&) = delete;
  ObjectIndex& operator=(const ObjectIndex&) = delete;

  // Null when no object here has |id|.
  DocumentObjectImpl* Find(std::string_view id) const {
    const Slot* slot = FindSlot(id);
    return slot ? slot->object : nullptr;
  }
  engine::DocumentObject* FindFace(std::string_view id) const {
    const Slot* slot = FindSlot(id);
    return slot ? slot->face : nullptr;
  }

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
      if (slots_[i].object) visit(slots_[i].object);
  }
  void Clear();

 private:
  struct Slot {
    uint64_t hash;
    DocumentObjectImpl* object;  // null: free
    engine::DocumentObject* face;
  };

  static uint64_t Hash(std::string_view id);
  // The slot holding |id|, or null.
  const Slot* FindSlot(std::string_view id) const;
  static bool Holds(const Slot& slot, uint64_t hash, std::string_view id);
  // Makes room for one more, keeping the table at most 5/8 full.
  void Reserve(size_t count);

  std::unique_ptr<Slot[]> slots_;
  size_t capacity_ = 0;  // zero or a power of two
  size_t size_ = 0;
};

}  // namespace reference_host
