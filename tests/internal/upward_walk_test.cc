// The cycle-guarded upward walk behind owner and parent chains.
#include "internal/upward_walk.h"

#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>

#include <cstddef>
#include <vector>

namespace {

using marrow::qrv::internal::FindUpward;
using marrow::qrv::internal::ForEachUpward;

struct Node {
  int id = 0;
  Node* up = nullptr;
  Node* Up() const { return up; }
};

// |tail| nodes leading into a loop of |loop| nodes; a plain chain when
// |loop| is 0. Node i's link leads to node i + 1.
std::vector<Node> Chain(int tail, int loop) {
  std::vector<Node> nodes(tail + loop);
  for (int i = 0; i < tail + loop; ++i) {
    nodes[i].id = i;
    if (i + 1 < tail + loop)
      nodes[i].up = &nodes[i + 1];
    else if (loop > 0)
      nodes[i].up = &nodes[tail];
  }
  return nodes;
}

TEST(UpwardWalk, NullStartVisitsNothing) {
  int calls = 0;
  EXPECT_EQ(FindUpward(static_cast<Node*>(nullptr), &Node::Up, [&](Node*) { return ++calls; }),
            nullptr);
  EXPECT_EQ(calls, 0);
}

// Whatever the shape, the walk ends, meets every node nearest first, and
// finds the first node asked for or nothing.
RC_GTEST_PROP(UpwardWalk, EndsOnEveryChainAndMeetsEachNodeInOrder, ()) {
  const int tail = *rc::gen::inRange(0, 40);
  const int loop = *rc::gen::inRange(tail == 0 ? 1 : 0, 40);
  std::vector<Node> nodes = Chain(tail, loop);
  const int size = tail + loop;

  std::vector<int> seen;
  ForEachUpward(&nodes[0], &Node::Up, [&](Node* node) {
    seen.push_back(node->id);
    RC_ASSERT(seen.size() <= static_cast<std::size_t>(4 * size));
  });
  std::vector<int> first_meetings;
  std::vector<bool> met(size, false);
  for (int id : seen) {
    if (!met[id]) first_meetings.push_back(id);
    met[id] = true;
  }
  std::vector<int> in_order(size);
  for (int i = 0; i < size; ++i) in_order[i] = i;
  RC_ASSERT(first_meetings == in_order);

  const int wanted = *rc::gen::inRange(0, size);
  Node* found = FindUpward(&nodes[0], &Node::Up, [&](Node* node) { return node->id == wanted; });
  RC_ASSERT(found == &nodes[wanted]);
  RC_ASSERT(FindUpward(&nodes[0], &Node::Up, [](Node*) { return false; }) == nullptr);
}

}  // namespace
