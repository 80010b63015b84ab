#include "reference_host/model/object_index.h"

#include <functional>
#include <utility>

#include "reference_host/model/document_object_impl.h"

namespace reference_host {

uint64_t ObjectIndex::Hash(std::string_view id) { return std::hash<std::string_view>()(id); }

bool ObjectIndex::Holds(const Slot& slot, uint64_t hash, std::string_view id) {
  return slot.hash == hash && slot.object->id() == id;
}

const ObjectIndex::Slot* ObjectIndex::FindSlot(std::string_view id) const {
  if (size_ == 0) return nullptr;
  const uint64_t hash = Hash(id);
  const size_t mask = capacity_ - 1;
  // Linear probing: the run from the hash's home slot ends at a free slot.
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (!slot.object) return nullptr;
    if (Holds(slot, hash, id)) return &slot;
  }
}

bool ObjectIndex::Insert(DocumentObjectImpl* object) {
  Reserve(size_ + 1);
  const std::string_view id = object->id();
  const uint64_t hash = Hash(id);
  const size_t mask = capacity_ - 1;
  size_t i = hash & mask;
  for (; slots_[i].object; i = (i + 1) & mask)
    if (Holds(slots_[i], hash, id)) return slots_[i].object == object;
  // The face is taken once, here, rather than on every lookup.
  slots_[i] = Slot{hash, object, object};
  ++size_;
  return true;
}

void ObjectIndex::Erase(const DocumentObjectImpl* object) {
  if (size_ == 0) return;
  const std::string_view id = object->id();
  const uint64_t hash = Hash(id);
  const size_t mask = capacity_ - 1;
  size_t hole = hash & mask;
  for (;; hole = (hole + 1) & mask) {
    if (!slots_[hole].object) return;
    if (Holds(slots_[hole], hash, id)) break;
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
