// The merges' flat match table against an ordered map of the same pairs:
// a pair must not be confused with another whose texts join to the same
// bytes, and values must survive the table's growth.
#include "funcs/project/internal/text_pair_table.h"

#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <map>
#include <string>
#include <utility>

namespace marrow {
namespace qrv {
namespace {

using internal::TextPairTable;

RC_GTEST_PROP(TextPairTableProperties, AgreesWithAMap, ()) {
  // Short texts over two letters: many pairs join to the same bytes
  // ("ab", "a" and "a", "ba"), and some are empty.
  const auto text = [] {
    return *rc::gen::container<std::string>(*rc::gen::inRange<std::size_t>(0, 4),
                                            rc::gen::element('a', 'b'));
  };
  TextPairTable<int> table(*rc::gen::inRange<std::size_t>(0, 40));
  std::map<std::pair<std::string, std::string>, int> model;
  const int steps = *rc::gen::inRange(0, 500);
  for (int step = 0; step < steps; ++step) {
    const std::string first = text();
    const std::string second = text();
    const int value = *rc::gen::inRange(0, 1000);
    int& kept = table.FindOrAdd(first, second, value);
    auto [it, added] = model.emplace(std::make_pair(first, second), value);
    RC_ASSERT(kept == it->second);
    if (!added && *rc::gen::arbitrary<bool>()) kept = it->second = value;
  }
  for (const auto& [key, value] : model) {
    const int* found = table.Find(key.first, key.second);
    RC_ASSERT(found != nullptr);
    RC_ASSERT(*found == value);
  }
  RC_ASSERT(table.Find("abab", "") == nullptr);
  RC_ASSERT(table.Find("c", "a") == nullptr);
}

}  // namespace
}  // namespace qrv
}  // namespace marrow
