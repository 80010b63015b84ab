// Walks up a chain of links (owners, parents) that a corrupt model may close
// into a loop. Internal: not installed, and no installed header may include it.
#pragma once

#include <cstddef>
#include <functional>

namespace marrow {
namespace qrv {
namespace internal {

// Calls |found| on |first| and on each node |up| leads to from there, nearest
// first, and answers the first node it accepts; null when the chain ends or
// loops back first. The loop check is Brent's: a mark re-anchored at powers
// of two, met again within one lap, with no allocation. Before a loop is
// noticed |found| may see some of its nodes more than once, so it must give
// the same answer each time and change nothing that matters on a repeat.
template <class Node, class Up, class Found>
Node* FindUpward(Node* first, Up up, Found found) {
  const Node* mark = nullptr;
  std::size_t lap = 1;
  std::size_t steps = 0;
  for (Node* node = first; node && node != mark; node = std::invoke(up, node)) {
    if (found(node)) return node;
    if (++steps == lap) {
      mark = node;
      lap *= 2;
      steps = 0;
    }
  }
  return nullptr;
}

// Calls |visit| on each node of the chain, as FindUpward walks it.
template <class Node, class Up, class Visit>
void ForEachUpward(Node* first, Up up, Visit visit) {
  FindUpward(first, up, [&visit](Node* node) {
    visit(node);
    return false;
  });
}

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
