// What the host's flat hash tables (the id index, the shared-text pool)
// share: slots probed linearly from the home slot a hash picks, with no
// markers of erased slots.
#pragma once

#include <cstddef>

namespace reference_host {

// Closes the hole an erasure left at |hole| in a table of |mask| + 1 slots:
// each later member of the run moves back into it when its home does not
// lie between the hole and itself, so every member stays reachable from its
// home. Returns the slot that is free at the end; the caller empties it.
template <class Slot, class IsFree, class HomeOf>
size_t CloseProbeHole(Slot* slots, size_t hole, size_t mask, IsFree is_free, HomeOf home_of) {
  for (size_t next = (hole + 1) & mask; !is_free(slots[next]); next = (next + 1) & mask) {
    const size_t home = home_of(slots[next]) & mask;
    const bool home_after_hole =
        hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
    if (home_after_hole) continue;
    slots[hole] = slots[next];
    hole = next;
  }
  return hole;
}

}  // namespace reference_host
