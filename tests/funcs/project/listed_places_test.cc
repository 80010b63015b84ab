// The places of listed objects as some of them leave: a refused move puts an
// object back where these say, so a wrong count would reorder the source.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <cstddef>
#include <vector>

#include "funcs/project/internal/merge_moves.h"

namespace marrow {
namespace qrv {
namespace {

using internal::ListedPlaces;

// Departures and questions in any order, asked before any departure, between
// them and after all of them, against a plain count of those gone before.
RC_GTEST_PROP(ListedPlacesProperties, EachPlaceIsTheListingLessThoseGoneBefore, ()) {
  const std::size_t count = *rc::gen::inRange<std::size_t>(0, 200);
  ListedPlaces places(count);
  std::vector<bool> gone(count, false);
  const int steps = *rc::gen::inRange(0, 400);
  for (int step = 0; step < steps; ++step) {
    const std::size_t listed = *rc::gen::inRange<std::size_t>(0, count + 1);
    if (*rc::gen::arbitrary<bool>()) {
      places.Left(listed);
      if (listed < count) gone[listed] = true;
      continue;
    }
    int expected = static_cast<int>(listed);
    for (std::size_t i = 0; i < listed && i < count; ++i) expected -= gone[i] ? 1 : 0;
    RC_ASSERT(places.Now(listed) == expected);
  }
}

}  // namespace
}  // namespace qrv
}  // namespace marrow
