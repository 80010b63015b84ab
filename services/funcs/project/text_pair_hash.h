// Hash of a pair of texts (a code with a name or a calculation base), for the
// unordered lookups of the project merge whose order nobody sees. Internal:
// not installed.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace marrow {
namespace qrv {
namespace internal {

struct TextPairHash {
  std::size_t operator()(const std::pair<std::string, std::string>& texts) const {
    const std::hash<std::string_view> hash;
    // Boost's hash_combine: keeps ("ab", "c") apart from ("a", "bc").
    std::size_t seed = hash(texts.first);
    seed ^= hash(texts.second) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    return seed;
  }
};

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
