#include "reference_host/model/object_index.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "reference_host/model/document_object_impl.h"

namespace reference_host {

// 16 bytes: a million objects take 32 MB at the table's fullest. A slot
// matches by hash and then by the object's own id, which a lookup that
// finds the object reads anyway.
struct ObjectIndex::Slot {
  DocumentObjectImpl* object;  // null: free
  uint32_t hash;               // the low half of the id's hash
  int16_t face_offset;         // of the engine::DocumentObject face in the object

  // Whether this slot holds |id|, whose hash is |hash|.
  bool Holds(uint32_t wanted_hash, std::string_view id) const {
    return hash == wanted_hash && object->id() == id;
  }
  engine::DocumentObject* face() const {
    return reinterpret_cast<engine::DocumentObject*>(reinterpret_cast<char*>(object) + face_offset);
  }
};
namespace {

uint32_t Hash(std::string_view id) {
  return static_cast<uint32_t>(std::hash<std::string_view>()(id));
}

}  // namespace

ObjectIndex::ObjectIndex() = default;
ObjectIndex::~ObjectIndex() = default;

DocumentObjectImpl* ObjectIndex::ObjectAt(size_t i) const { return slots_[i].object; }

DocumentObjectImpl* ObjectIndex::Find(std::string_view id) const {
  const Slot* slot = FindSlot(id);
  return slot ? slot->object : nullptr;
}

engine::DocumentObject* ObjectIndex::FindFace(std::string_view id) const {
  const Slot* slot = FindSlot(id);
  return slot ? slot->face() : nullptr;
}

const ObjectIndex::Slot* ObjectIndex::FindSlot(std::string_view id) const {
  if (size_ == 0) return nullptr;
  const uint32_t hash = Hash(id);
  const size_t mask = capacity_ - 1;
  // Linear probing: the run from the hash's home slot ends at a free slot.
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (!slot.object) return nullptr;
    if (slot.Holds(hash, id)) return &slot;
  }
}

bool ObjectIndex::Insert(DocumentObjectImpl* object) {
  Reserve(size_ + 1);
  const std::string_view id = object->id();
  const uint32_t hash = Hash(id);
  const size_t mask = capacity_ - 1;
  size_t i = hash & mask;
  for (; slots_[i].object; i = (i + 1) & mask)
    if (slots_[i].Holds(hash, id)) return slots_[i].object == object;
  Slot& slot = slots_[i];
  slot = Slot{};
  slot.object = object;
  slot.hash = hash;
  // The face is found once, here, rather than on every lookup. It lies
  // within the object, a few hundred bytes in at most.
  slot.face_offset =
      static_cast<int16_t>(reinterpret_cast<char*>(static_cast<engine::DocumentObject*>(object)) -
                           reinterpret_cast<char*>(object));
  ++size_;
  return true;
}

void ObjectIndex::Erase(const DocumentObjectImpl* object) {
  if (size_ == 0) return;
  const std::string_view id = object->id();
  const uint32_t hash = Hash(id);
  const size_t mask = capacity_ - 1;
  size_t hole = hash & mask;
  for (;; hole = (hole + 1) & mask) {
    if (!slots_[hole].object) return;
    if (slots_[hole].Holds(hash, id)) break;
  }
  if (slots_[hole].object != object) return;
  // Shifts later members of the run back into the hole, so lookups never
  // need markers of erased slots.
  for (size_t next = (hole + 1) & mask; slots_[next].object; next = (next + 1) & mask) {
    const size_t home = slots_[next].hash & mask;
    // |next| may fill the hole when its home does not lie in (hole, next].
    const bool home_after_hole =
        hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
    if (home_after_hole) continue;
    slots_[hole] = slots_[next];
    hole = next;
  }
  slots_[hole].object = nullptr;
  --size_;
}

void ObjectIndex::Reserve(size_t count) {
  static_assert(sizeof(Slot) == 16, "the index is a large part of a large document");
  if (count * 8 <= capacity_ * 5) return;
  size_t capacity = capacity_ ? capacity_ * 2 : 16;
  while (count * 8 > capacity * 5) capacity *= 2;
  std::unique_ptr<Slot[]> old = std::exchange(slots_, std::make_unique<Slot[]>(capacity));
  const size_t old_capacity = std::exchange(capacity_, capacity);
  const size_t mask = capacity - 1;
  for (size_t i = 0; i < old_capacity; ++i) {
    if (!old[i].object) continue;
    size_t j = old[i].hash & mask;
    while (slots_[j].object) j = (j + 1) & mask;
    slots_[j] = old[i];
  }
}

void ObjectIndex::Clear() {
  slots_.reset();
  capacity_ = size_ = 0;
}

}  // namespace reference_host
