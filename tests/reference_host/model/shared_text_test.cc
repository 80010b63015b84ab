// The shared-text pool against a count of references per text: a text is
// stored once while any field holds it and gone once the last lets go, in
// whatever order texts come and go, so erasing from the flat table must
// never hide another text of the same probe run.
#include "reference_host/model/shared_text.h"

#include <map>
#include <string>
#include <utility>

#include "tests/support/test_support.h"

namespace {

using reference_host::SharedText;

RC_GTEST_PROP(SharedTextPool, KeepsEachTextOnceWhileHeld, ()) {
  // Texts of this run alone: the pool is the process's, other tests' texts
  // stay in it.
  static int run = 0;
  const std::string prefix = "shared-text-test-" + std::to_string(++run) + "-";
  const size_t stored_before = SharedText::StoredCount();
  const int texts = *rc::gen::inRange(1, 3000);
  std::map<int, std::pair<SharedText*, int>> held;  // text number: stored copy, references
  const int steps = *rc::gen::inRange(0, 4000);
  for (int step = 0; step < steps; ++step) {
    const int number = *rc::gen::inRange(0, texts);
    const std::string text = prefix + std::to_string(number);
    auto it = held.find(number);
    if (it == held.end() || *rc::gen::inRange(0, 3) > 0) {
      SharedText* stored = SharedText::Intern(text);
      RC_ASSERT(stored->view() == text);
      if (it == held.end()) {
        held[number] = {stored, 1};
      } else {
        RC_ASSERT(stored == it->second.first);
        ++it->second.second;
      }
    } else {
      it->second.first->Release();
      if (--it->second.second == 0) held.erase(it);
    }
    RC_ASSERT(SharedText::StoredCount() == stored_before + held.size());
  }
  for (const auto& [number, entry] : held) {
    RC_ASSERT(SharedText::Intern(prefix + std::to_string(number)) == entry.first);
    for (int i = 0; i <= entry.second; ++i) entry.first->Release();
  }
  RC_ASSERT(SharedText::StoredCount() == stored_before);
}

}  // namespace
