// The byte order of a table's row keys, for the keyed-table merges: a
// stable radix sort from the first byte on, in time linear in the bytes that
// tell the keys apart. A comparison sort of the keys cost a log factor of
// string comparisons, the largest single step of a keyed table's merge at
// hundreds of thousands of rows.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace marrow {
namespace qrv {
namespace internal {

// Indexes into |keys| in ascending byte order (as std::string's operator<),
// equal keys in the order given.
inline std::vector<std::size_t> KeyOrder(const std::vector<std::string>& keys) {
  // Ranges this short are finished by insertion, which beats counting into
  // 257 buckets.
  constexpr std::size_t kInsertionBelow = 32;
  std::vector<std::size_t> order(keys.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::vector<std::size_t> scratch(keys.size());

  // The keys of order[begin, end) agree on their first |depth| bytes.
  struct Range {
    std::size_t begin, end, depth;
  };
  std::vector<Range> pending;
  if (order.size() > 1) pending.push_back({0, order.size(), 0});
  while (!pending.empty()) {
    const Range range = pending.back();
    pending.pop_back();
    const std::size_t depth = range.depth;
    if (range.end - range.begin < kInsertionBelow) {
      const auto tail = [&keys, depth](std::size_t index) {
        return std::string_view(keys[index]).substr(depth);
      };
      for (std::size_t i = range.begin + 1; i < range.end; ++i) {
        const std::size_t moving = order[i];
        std::size_t at = i;
        for (; at > range.begin && tail(moving) < tail(order[at - 1]); --at)
          order[at] = order[at - 1];
        order[at] = moving;
      }
      continue;
    }
    // Bucket 0 holds the keys that end here, which sort first and are equal;
    // bucket 1 + b those whose next byte is b.
    const auto bucket = [&keys, depth](std::size_t index) -> std::size_t {
      const std::string& key = keys[index];
      return key.size() == depth ? 0 : 1 + static_cast<unsigned char>(key[depth]);
    };
    std::array<std::size_t, 258> starts{};
    for (std::size_t i = range.begin; i < range.end; ++i) ++starts[bucket(order[i]) + 1];
    for (std::size_t b = 1; b < starts.size(); ++b) starts[b] += starts[b - 1];
    std::array<std::size_t, 258> next = starts;
    for (std::size_t i = range.begin; i < range.end; ++i)
      scratch[range.begin + next[bucket(order[i])]++] = order[i];
    std::copy(scratch.begin() + range.begin, scratch.begin() + range.end,
              order.begin() + range.begin);
    for (std::size_t b = 1; b < 257; ++b)
      if (starts[b + 1] - starts[b] > 1)
        pending.push_back({range.begin + starts[b], range.begin + starts[b + 1], depth + 1});
  }
  return order;
}

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
