// Number texts the library writes into the host's fields. Internal: not
// exported.
#pragma once

#include <cstdio>
#include <string>

namespace marrow {
namespace qrv {
namespace internal {

// printf "%f" of |value| (six decimals); large values need more than a small
// fixed buffer.
inline std::string FormatFixed(double value) {
  char buffer[64];
  const int length = std::snprintf(buffer, sizeof(buffer), "%f", value);
  if (length < 0) return std::string();
  if (static_cast<size_t>(length) < sizeof(buffer)) return std::string(buffer, length);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(&text[0], text.size(), "%f", value);
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
