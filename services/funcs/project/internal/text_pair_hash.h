// Hash of a pair of texts (a code and a name, a code and a calculation
// base), for the merges' match tables: lookups by hash keep a merge linear
// where an ordered map would add a log factor of string compares.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace marrow {
namespace qrv {
namespace internal {

struct TextPairHash {
  std::size_t operator()(const std::pair<std::string, std::string>& key) const {
    const std::size_t first = std::hash<std::string>()(key.first);
    // Boost's combine: order matters, so ("a", "b") and ("b", "a") differ.
    return first ^ (std::hash<std::string>()(key.second) + 0x9e3779b97f4a7c15ULL + (first << 6) +
                    (first >> 2));
  }
};

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
