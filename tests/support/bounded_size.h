// Caps on how large rapidcheck may make a drawn value. Every property draws
// its containers and texts through a cap, so no RC_PARAMS max_size can make
// one slow enough to hang the suite; counts drawn with inRange are bounded by
// their range already.
#pragma once

#include <rapidcheck.h>

#include <algorithm>

namespace test_support {

// The size a property's containers and texts grow to: rapidcheck's own
// default top, so the default runs draw as before.
inline constexpr int kMaxDrawSize = 100;

// |gen| with its size capped at |max_size|; below the cap the size grows
// and shrinks as rapidcheck drives it.
template <class T>
rc::Gen<T> AtMostSize(rc::Gen<T> gen, int max_size = kMaxDrawSize) {
  return rc::gen::withSize(
      [gen, max_size](int size) { return rc::gen::resize(std::min(size, max_size), gen); });
}

}  // namespace test_support
