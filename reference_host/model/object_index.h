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
#include <vector>

#include "host/engine/document_object.h"

namespace reference_host {

class DocumentObjectImpl;

class ObjectIndex {
 public:
  // The objects of one subtree gathered for a batched operation, each hashed
  // (and, for an insertion, its face found) by the walk that met it, while
  // the object is at hand. The batched operations visit the table in slot
  // order, so that neighbouring operations share cache lines, where one
  // operation per object would touch a random slot of a table of tens of
  // megabytes each time. Results are those of one call per object in the
  // order the objects were added.
  class Batch {
   public:
    Batch();
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // For erasure and the id check.
    void Add(DocumentObjectImpl* object);
    // For insertion.
    void AddWithFace(DocumentObjectImpl* object);
    size_t size() const { return entries_.size(); }

   private:
    friend class ObjectIndex;
    struct Entry {
      DocumentObjectImpl* object;
      uint32_t hash;
      uint32_t order;  // the place in the order added
      int16_t face_offset;
    };

    std::vector<Entry> entries_;
  };

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

  // Insert for each object of |batch| (added with its face); returns the
  // refused ones, in the order they were added. Reorders |batch|.
  std::vector<DocumentObjectImpl*> InsertBatch(Batch& batch);
  // Erase for each object of |batch|. Reorders |batch|.
  void EraseBatch(Batch& batch);
  // The first object of |batch|, in the order they were added, whose id
  // another object holds here or an earlier other object of |batch| has;
  // null when there is none. An object added twice is no clash with itself.
  // Reorders |batch|.
  const DocumentObjectImpl* FirstClash(Batch& batch) const;

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
  // The slot holding the id of |object|, whose hash is |hash|, or null. Reads
  // the object only when a slot of another object has the same hash.
  const Slot* FindSlotOf(uint32_t hash, const DocumentObjectImpl* object) const;
  // Inserts |object| whose hash and face are given; see Insert.
  bool InsertHashed(DocumentObjectImpl* object, uint32_t hash, int16_t face_offset);
  void EraseHashed(const DocumentObjectImpl* object, uint32_t hash);
  // Sorts |batch| by home slot for a table of |capacity| slots, equal
  // hashes together in the order they were added; unless |whole|, only
  // into short stretches of the table in that order, keeping the order
  // added within a stretch (equal hashes share one).
  static void SortBySlot(Batch& batch, size_t capacity, bool whole);
  // Makes room for one more, keeping the table at most 5/8 full.
  void Reserve(size_t count);

  std::unique_ptr<Slot[]> slots_;
  size_t capacity_ = 0;  // zero or a power of two
  size_t size_ = 0;
};

}  // namespace reference_host
