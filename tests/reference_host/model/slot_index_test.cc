// The slot index against a plain map, and the owned lists that use it
// against a vector: lists grow past the length at which the index is made,
// lose children anywhere (leaving holes) and take them in at any position,
// and every read by index or by child must still agree with the vector.
#include "reference_host/model/slot_index.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "tests/support/test_support.h"

namespace {

using reference_host::SlotIndex;
using reference_host::SubEngineeringImpl;

RC_GTEST_PROP(SlotIndexProperties, AgreesWithAMapOverSetsAndErasures, ()) {
  // Neighbouring addresses, as a list's children mostly are.
  std::vector<char> addresses(*rc::gen::inRange(1, 3000));
  std::unordered_map<const void*, uint32_t> model;
  SlotIndex index(*rc::gen::inRange(0, 64));
  const int steps = *rc::gen::inRange(0, 6000);
  for (int step = 0; step < steps; ++step) {
    const void* key = &addresses[*rc::gen::inRange<size_t>(0, addresses.size())];
    if (*rc::gen::inRange(0, 3) == 0) {
      index.Erase(key);
      model.erase(key);
    } else {
      const auto slot = *rc::gen::inRange<uint32_t>(0, 100000);
      index.Set(key, slot);
      model[key] = slot;
    }
    RC_ASSERT(index.size() == model.size());
  }
  for (const char& address : addresses) {
    auto it = model.find(&address);
    RC_ASSERT(index.Find(&address) == (it == model.end() ? SlotIndex::kNone : it->second));
  }
}

RC_GTEST_PROP(OwnedListProperties, ReadsAgreeWithAVectorThroughHolesAndInserts, ()) {
  scoped_refptr<SubEngineeringImpl> parent(new SubEngineeringImpl("parent", engine::kNodeKindBill));
  std::vector<scoped_refptr<SubEngineeringImpl>> model;
  std::vector<scoped_refptr<SubEngineeringImpl>> outside;
  int made = 0;
  const int steps = *rc::gen::inRange(0, 400);
  for (int step = 0; step < steps; ++step) {
    const int action = *rc::gen::inRange(0, 10);
    if (action < 6 || model.empty()) {
      scoped_refptr<SubEngineeringImpl> child(
          new SubEngineeringImpl("c" + std::to_string(made++), engine::kNodeKindEntry));
      const int at = *rc::gen::inRange(-1, static_cast<int>(model.size()) + 1);
      RC_ASSERT(parent->AddChild(child, at));
      if (at < 0 || at >= static_cast<int>(model.size()))
        model.push_back(child);
      else
        model.insert(model.begin() + at, child);
    } else {
      const size_t at = *rc::gen::inRange<size_t>(0, model.size());
      RC_ASSERT(parent->RemoveChild(model[at].get()) == model[at]);
      RC_ASSERT(parent->IndexOfChild(model[at].get()) == -1);
      outside.push_back(model[at]);
      model.erase(model.begin() + at);
    }
    // Reads in a drawn order: one by index past a hole closes the holes,
    // one by child may or may not.
    RC_ASSERT(parent->GetChildCount() == static_cast<int>(model.size()));
    if (!model.empty()) {
      const size_t probe = *rc::gen::inRange<size_t>(0, model.size());
      RC_ASSERT(parent->IndexOfChild(model[probe].get()) == static_cast<int>(probe));
      RC_ASSERT(parent->child(static_cast<int>(probe)) == model[probe].get());
    }
  }
  for (size_t i = 0; i < model.size(); ++i) {
    RC_ASSERT(parent->IndexOfChild(model[i].get()) == static_cast<int>(i));
    RC_ASSERT(model[i]->GetParent() == parent.get());
  }
  for (const auto& gone : outside) {
    RC_ASSERT(parent->IndexOfChild(gone.get()) == -1);
    RC_ASSERT(parent->RemoveChild(gone.get()) == nullptr);
  }
}

}  // namespace
