#include "reference_host/model/object_index.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/linear_probing.h"

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
  // Whether this slot holds the id of |other|, whose hash is |hash|; reads
  // the objects only when the hashes match and the objects differ.
  bool HoldsIdOf(uint32_t wanted_hash, const DocumentObjectImpl* other) const {
    return hash == wanted_hash && (object == other || object->id() == other->id());
  }
  engine::DocumentObject* face() const {
    return reinterpret_cast<engine::DocumentObject*>(reinterpret_cast<char*>(object) + face_offset);
  }
};
namespace {

uint32_t Hash(std::string_view id) {
  return static_cast<uint32_t>(std::hash<std::string_view>()(id));
}

// The face lies within the object, a few hundred bytes in at most; it is
// found once, on insertion, rather than on every lookup.
int16_t FaceOffsetOf(DocumentObjectImpl* object) {
  return static_cast<int16_t>(
      reinterpret_cast<char*>(static_cast<engine::DocumentObject*>(object)) -
      reinterpret_cast<char*>(object));
}

// Smaller batches go one object at a time, in the order added: their slots
// are few, and sorting them would cost more than it saves.
constexpr size_t kMinSortedBatch = 64;
// A batch starts with room for this many: enough for an item and its lines,
// and small enough for the allocator's quick path (a check runs per item).
constexpr size_t kFirstReserve = 16;

}  // namespace

ObjectIndex::Batch::Batch() = default;
ObjectIndex::Batch::~Batch() = default;

void ObjectIndex::Batch::Add(DocumentObjectImpl* object) {
  if (entries_.empty()) entries_.reserve(kFirstReserve);
  entries_.push_back(Entry{object, Hash(object->id()), static_cast<uint32_t>(entries_.size()), 0});
}

void ObjectIndex::Batch::AddWithFace(DocumentObjectImpl* object) {
  if (entries_.empty()) entries_.reserve(kFirstReserve);
  entries_.push_back(Entry{object, Hash(object->id()), static_cast<uint32_t>(entries_.size()),
                           FaceOffsetOf(object)});
}

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

const ObjectIndex::Slot* ObjectIndex::FindSlotOf(uint32_t hash,
                                                 const DocumentObjectImpl* object) const {
  if (size_ == 0) return nullptr;
  const size_t mask = capacity_ - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (!slot.object) return nullptr;
    if (slot.HoldsIdOf(hash, object)) return &slot;
  }
}

bool ObjectIndex::Insert(DocumentObjectImpl* object) {
  return InsertHashed(object, Hash(object->id()), FaceOffsetOf(object));
}

bool ObjectIndex::InsertHashed(DocumentObjectImpl* object, uint32_t hash, int16_t face_offset) {
  Reserve(size_ + 1);
  const size_t mask = capacity_ - 1;
  size_t i = hash & mask;
  for (; slots_[i].object; i = (i + 1) & mask)
    if (slots_[i].HoldsIdOf(hash, object)) return slots_[i].object == object;
  Slot& slot = slots_[i];
  slot = Slot{};
  slot.object = object;
  slot.hash = hash;
  slot.face_offset = face_offset;
  ++size_;
  return true;
}

void ObjectIndex::Erase(const DocumentObjectImpl* object) {
  if (size_ == 0) return;
  EraseHashed(object, Hash(object->id()));
}

void ObjectIndex::EraseHashed(const DocumentObjectImpl* object, uint32_t hash) {
  if (size_ == 0) return;
  const size_t mask = capacity_ - 1;
  // An object here lies in the run from its hash's home slot: matching the
  // pointer needs no read of the object.
  size_t hole = hash & mask;
  for (; slots_[hole].object != object; hole = (hole + 1) & mask)
    if (!slots_[hole].object) return;
  hole = CloseProbeHole(
      slots_.get(), hole, mask, [](const Slot& slot) { return !slot.object; },
      [](const Slot& slot) { return slot.hash; });
  slots_[hole].object = nullptr;
  --size_;
}

void ObjectIndex::SortBySlot(Batch& batch, size_t capacity, bool whole) {
  std::vector<Batch::Entry>& entries = batch.entries_;
  // Homes in a table of no slots yet: the hash alone orders them.
  const uint32_t mask = capacity ? static_cast<uint32_t>(capacity - 1) : ~uint32_t{0};
  const auto by_slot = [mask](const Batch::Entry& a, const Batch::Entry& b) {
    const uint32_t home_a = a.hash & mask, home_b = b.hash & mask;
    if (home_a != home_b) return home_a < home_b;
    if (a.hash != b.hash) return a.hash < b.hash;
    return a.order < b.order;
  };
  // One counting pass spreads the entries over stretches of the table, about
  // kPerStretch to each, keeping the order added within a stretch; a stretch
  // is then small enough to stay in the caches. Sorting within the stretches
  // (a few entries each) costs a fraction of a sort of the whole.
  constexpr size_t kPerStretch = 16;
  int slot_bits = 0;
  while (slot_bits < 32 && (uint64_t{mask} >> slot_bits) != 0) ++slot_bits;
  int stretch_bits = 0;
  while (stretch_bits < slot_bits && (kPerStretch << (stretch_bits + 1)) <= entries.size())
    ++stretch_bits;
  if (stretch_bits < 4) {
    std::sort(entries.begin(), entries.end(), by_slot);
    return;
  }
  const int shift = slot_bits - stretch_bits;
  const auto stretch_of = [mask, shift](const Batch::Entry& entry) {
    return (entry.hash & mask) >> shift;
  };
  std::vector<uint32_t> starts((size_t{1} << stretch_bits) + 1);
  for (const Batch::Entry& entry : entries) ++starts[stretch_of(entry) + 1];
  for (size_t i = 1; i < starts.size(); ++i) starts[i] += starts[i - 1];
  std::vector<Batch::Entry> spread(entries.size());
  std::vector<uint32_t> next(starts.begin(), starts.end() - 1);
  for (const Batch::Entry& entry : entries) spread[next[stretch_of(entry)]++] = entry;
  entries.swap(spread);
  if (!whole) return;
  for (size_t i = 0; i + 1 < starts.size(); ++i)
    std::sort(entries.begin() + starts[i], entries.begin() + starts[i + 1], by_slot);
}

std::vector<DocumentObjectImpl*> ObjectIndex::InsertBatch(Batch& batch) {
  std::vector<Batch::Entry>& entries = batch.entries_;
  std::vector<DocumentObjectImpl*> refused;
  if (entries.size() < kMinSortedBatch) {
    for (const Batch::Entry& entry : entries)
      if (!InsertHashed(entry.object, entry.hash, entry.face_offset))
        refused.push_back(entry.object);
    return refused;
  }
  // Grown once for all, so that the slots are final before the sort. Equal
  // ids hash alike and stay in the order added: the first one wins.
  Reserve(size_ + entries.size());
  SortBySlot(batch, capacity_, /*whole=*/false);
  std::vector<std::pair<uint32_t, DocumentObjectImpl*>> refused_in_order;
  for (const Batch::Entry& entry : entries)
    if (!InsertHashed(entry.object, entry.hash, entry.face_offset))
      refused_in_order.emplace_back(entry.order, entry.object);
  std::sort(refused_in_order.begin(), refused_in_order.end());
  for (const auto& [order, object] : refused_in_order) refused.push_back(object);
  return refused;
}

void ObjectIndex::EraseBatch(Batch& batch) {
  if (batch.entries_.size() >= kMinSortedBatch) SortBySlot(batch, capacity_, /*whole=*/false);
  for (const Batch::Entry& entry : batch.entries_) EraseHashed(entry.object, entry.hash);
}

const DocumentObjectImpl* ObjectIndex::FirstClash(Batch& batch) const {
  std::vector<Batch::Entry>& entries = batch.entries_;
  if (entries.size() < kMinSortedBatch) {
    // In the order added, each against the index and the earlier ones: the
    // first earlier one of the same id holds it.
    for (size_t i = 0; i < entries.size(); ++i) {
      const Batch::Entry& entry = entries[i];
      const Slot* slot = FindSlotOf(entry.hash, entry.object);
      if (slot && slot->object != entry.object) return entry.object;
      for (size_t j = 0; j < i; ++j) {
        const Batch::Entry& earlier = entries[j];
        if (earlier.hash != entry.hash) continue;
        if (earlier.object == entry.object) break;
        if (earlier.object->id() == entry.object->id()) return entry.object;
      }
    }
    return nullptr;
  }
  // Sorted whole: equal ids must lie side by side.
  SortBySlot(batch, capacity_, /*whole=*/true);
  const Batch::Entry* first = nullptr;
  auto clash = [&first](const Batch::Entry& entry) {
    if (!first || entry.order < first->order) first = &entry;
  };
  for (size_t begin = 0; begin < entries.size();) {
    size_t end = begin + 1;
    while (end < entries.size() && entries[end].hash == entries[begin].hash) ++end;
    // One hash: mostly one object met once. Otherwise by id, then in the
    // order added, so the first of each id is the one that holds it.
    bool several = false;
    for (size_t i = begin + 1; i < end; ++i) several |= entries[i].object != entries[begin].object;
    if (several) {
      std::sort(entries.begin() + begin, entries.begin() + end,
                [](const Batch::Entry& a, const Batch::Entry& b) {
                  const int by_id = a.object->id().compare(b.object->id());
                  return by_id != 0 ? by_id < 0 : a.order < b.order;
                });
      for (size_t holder = begin, i = begin + 1; i < end; ++i) {
        if (entries[i].object->id() != entries[holder].object->id())
          holder = i;
        else if (entries[i].object != entries[holder].object)
          clash(entries[i]);
      }
    }
    for (size_t i = begin; i < end; ++i) {
      const Slot* slot = FindSlotOf(entries[i].hash, entries[i].object);
      if (slot && slot->object != entries[i].object) clash(entries[i]);
    }
    begin = end;
  }
  return first ? first->object : nullptr;
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
