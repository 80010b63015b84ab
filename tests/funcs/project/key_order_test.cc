// The order the keyed-table merges move rows in: a wrong place here moves
// the wrong row of a repeated key, or the rows in the wrong order.
#include "funcs/project/internal/key_order.h"

#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace marrow {
namespace qrv {
namespace {

using internal::KeyOrder;

// Keys of a few bytes over a small alphabet, so that they share long
// prefixes and repeat; the alphabet holds a zero byte, bytes above 0x7f and
// the empty key, where signed bytes or a terminator would sort wrongly.
rc::Gen<std::string> Key() {
  return rc::gen::container<std::string>(
      rc::gen::elementOf(std::vector<char>{'\0', 'a', 'b', 'z', '\x7f', '\x80', '\xe4', '\xff'}));
}

RC_GTEST_PROP(KeyOrderProperties, AgreesWithAStableComparisonSort, ()) {
  // Up to a few hundred keys: both the insertion and the bucket paths.
  const auto count = *rc::gen::inRange<std::size_t>(0, 400);
  const std::size_t prefix_length = *rc::gen::inRange<std::size_t>(0, 40);
  const std::string prefix(prefix_length, 'k');
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < count; ++i)
    keys.push_back((*rc::gen::arbitrary<bool>() ? prefix : "") + *Key());

  std::vector<std::size_t> expected(keys.size());
  for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = i;
  std::stable_sort(expected.begin(), expected.end(),
                   [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  RC_ASSERT(KeyOrder(keys) == expected);
}

TEST(KeyOrder, RepeatedKeysKeepTheirListing) {
  const std::vector<std::string> keys{"b", "a", "b", "", "a", "ab", "b"};
  EXPECT_EQ(KeyOrder(keys), (std::vector<std::size_t>{3, 1, 4, 5, 0, 2, 6}));
}

}  // namespace
}  // namespace qrv
}  // namespace marrow
