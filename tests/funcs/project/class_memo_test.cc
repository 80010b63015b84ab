// The per-class memos behind the merge's walks: one question per class, and
// every object gets its own class's answer (or its own face) however the
// classes mix.
#include "funcs/project/internal/class_memo.h"

#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>

#include <memory>
#include <set>
#include <typeindex>
#include <vector>

#include "tests/support/bounded_size.h"

namespace {

using marrow::qrv::internal::ClassMemo;
using marrow::qrv::internal::CrossCastMemo;

// Faces joined through a virtual base, as the host's objects are.
struct Object {
  virtual ~Object() = default;
};
struct Priced : virtual Object {};
struct Staged : virtual Object {};
struct PricedOnly : Priced {};
struct PricedAndStaged : Priced, Staged {};
struct StagedOnly : Staged {};
struct Plain : Object {};

// Bit 0: priced, bit 1: staged.
int FacesOf(Object& object) {
  return (dynamic_cast<Priced*>(&object) ? 1 : 0) | (dynamic_cast<Staged*>(&object) ? 2 : 0);
}

std::unique_ptr<Object> Make(int kind) {
  switch (kind) {
    case 0:
      return std::make_unique<PricedOnly>();
    case 1:
      return std::make_unique<PricedAndStaged>();
    case 2:
      return std::make_unique<StagedOnly>();
    default:
      return std::make_unique<Plain>();
  }
}

RC_GTEST_PROP(ClassMemo, AnswersEachObjectByItsClassAskingOncePerClass, ()) {
  const std::vector<int> kinds =
      *test_support::AtMostSize(rc::gen::container<std::vector<int>>(rc::gen::inRange(0, 4)), 200);
  std::vector<std::unique_ptr<Object>> objects;
  for (int kind : kinds) objects.push_back(Make(kind));

  ClassMemo<int> memo;
  int asked = 0;
  std::set<std::type_index> classes;
  for (const auto& object : objects) {
    const Object& that = *object;
    classes.insert(typeid(that));
    const int answer = memo.Get(*object, [&asked](Object& first) {
      ++asked;
      return FacesOf(first);
    });
    RC_ASSERT(answer == FacesOf(*object));
  }
  RC_ASSERT(asked == static_cast<int>(classes.size()));
  RC_ASSERT(memo.size() == classes.size());
}

// Each object's own face, from another face, whatever the classes before it
// laid out: a face taken at another class's offset would be another object's
// memory.
RC_GTEST_PROP(CrossCastMemo, GivesEachObjectItsOwnFaceAsDynamicCastDoes, ()) {
  const std::vector<int> kinds =
      *test_support::AtMostSize(rc::gen::container<std::vector<int>>(rc::gen::inRange(0, 4)), 200);
  std::vector<std::unique_ptr<Object>> objects;
  for (int kind : kinds) objects.push_back(Make(kind));

  CrossCastMemo<Priced, Staged> from_priced;
  CrossCastMemo<Object, Staged> from_object;
  for (const auto& object : objects) {
    Staged* expected = dynamic_cast<Staged*>(object.get());
    if (Priced* priced = dynamic_cast<Priced*>(object.get()))
      RC_ASSERT(from_priced.Cast(priced) == expected);
    RC_ASSERT(from_object.Cast(object.get()) == expected);
  }
  RC_ASSERT(from_priced.Cast(nullptr) == nullptr);
}

}  // namespace
