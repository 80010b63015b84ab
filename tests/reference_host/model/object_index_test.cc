// The flat id index against a plain map of the same ids, through inserts,
// erases and the table's growth; the batched forms against one call per
// object; and the face it hands back.
#include "reference_host/model/object_index.h"

#include <map>

#include "reference_host/model/bill_stage_impl.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using reference_host::BillStageImpl;
using reference_host::DocumentObjectImpl;
using reference_host::ObjectIndex;

RC_GTEST_PROP(ObjectIndex, AgreesWithAMapThroughInsertsAndErases, ()) {
  // Up to 300 objects over a few hundred ids: some share an id, so inserts
  // are refused, and the table grows several times with long probe runs.
  // Short ids are matched in the index alone, longer ones (here all with the
  // same first eight bytes) against the object.
  const int count = *rc::gen::inRange(1, 300);
  std::vector<scoped_refptr<BillStageImpl>> objects;
  for (int i = 0; i < count; ++i) {
    const int id = *rc::gen::inRange(0, 400);
    const char* prefix = *rc::gen::element("s", "sevenXX", "eight-id", "eight-id-and-more");
    objects.push_back(new BillStageImpl(prefix + std::to_string(id), ""));
  }
  ObjectIndex index;
  std::map<std::string, DocumentObjectImpl*> model;
  const int steps = *rc::gen::inRange(1, 600);
  for (int step = 0; step < steps; ++step) {
    BillStageImpl* object = objects[*rc::gen::inRange(0, count)].get();
    const std::string& id = object->GetId();
    if (*rc::gen::inRange(0, 3) > 0) {
      const bool free = !model.count(id) || model[id] == object;
      RC_ASSERT(index.Insert(object) == free);
      if (free) model[id] = object;
    } else {
      index.Erase(object);
      if (model.count(id) && model[id] == object) model.erase(id);
    }
    RC_ASSERT(index.size() == model.size());
  }
  for (const auto& object : objects) {
    const std::string& id = object->GetId();
    DocumentObjectImpl* held = model.count(id) ? model[id] : nullptr;
    RC_ASSERT(index.Find(id) == held);
    RC_ASSERT(index.FindFace(id) == static_cast<engine::DocumentObject*>(held));
  }
  RC_ASSERT(index.Find("absent") == nullptr);
  RC_ASSERT(index.Find("eight-id") == nullptr);
  RC_ASSERT(index.Find("") == nullptr);
  size_t visited = 0;
  index.ForEach([&](DocumentObjectImpl* object) {
    ++visited;
    RC_ASSERT(model.at(object->GetId()) == object);
  });
  RC_ASSERT(visited == model.size());
}

RC_GTEST_PROP(ObjectIndex, BatchesDoWhatOneCallPerObjectDoes, ()) {
  // Two indexes alike, one taking each object in turn, the other a batch:
  // up to 400 picks of up to 200 objects over fewer ids, so that a batch
  // (sorted when 64 or more) holds an object twice, two objects of one id
  // and ids the index holds already.
  const int count = *rc::gen::inRange(1, 200);
  const int ids = *rc::gen::inRange(1, 300);
  std::vector<scoped_refptr<BillStageImpl>> objects;
  for (int i = 0; i < count; ++i)
    objects.push_back(new BillStageImpl("id" + std::to_string(*rc::gen::inRange(0, ids)), ""));
  auto pick = [&] { return objects[*rc::gen::inRange(0, count)].get(); };
  ObjectIndex one_by_one, batched;
  for (int held = *rc::gen::inRange(0, count); held > 0; --held) {
    BillStageImpl* object = pick();
    RC_ASSERT(one_by_one.Insert(object) == batched.Insert(object));
  }
  auto same_contents = [&] {
    RC_ASSERT(batched.size() == one_by_one.size());
    for (const auto& object : objects) {
      RC_ASSERT(batched.Find(object->GetId()) == one_by_one.Find(object->GetId()));
      RC_ASSERT(batched.FindFace(object->GetId()) == one_by_one.FindFace(object->GetId()));
    }
  };

  std::vector<BillStageImpl*> picks(*rc::gen::inRange(0, 400));
  for (auto& object : picks) object = pick();
  ObjectIndex::Batch check, insert;
  for (BillStageImpl* object : picks) {
    check.Add(object);
    insert.AddWithFace(object);
  }
  // The first pick whose id another object holds, here or in an earlier pick.
  const DocumentObjectImpl* clash = nullptr;
  std::map<std::string, const DocumentObjectImpl*> met;
  for (BillStageImpl* object : picks) {
    const DocumentObjectImpl* held = one_by_one.Find(object->GetId());
    const DocumentObjectImpl* first = met.emplace(object->GetId(), object).first->second;
    if ((held && held != object) || first != object) {
      clash = object;
      break;
    }
  }
  RC_ASSERT(batched.FirstClash(check) == clash);

  std::vector<DocumentObjectImpl*> refused;
  for (BillStageImpl* object : picks)
    if (!one_by_one.Insert(object)) refused.push_back(object);
  RC_ASSERT(batched.InsertBatch(insert) == refused);
  same_contents();

  ObjectIndex::Batch erase;
  for (int n = *rc::gen::inRange(0, 400); n > 0; --n) {
    BillStageImpl* object = pick();
    one_by_one.Erase(object);
    erase.Add(object);
  }
  batched.EraseBatch(erase);
  same_contents();
}

TEST(ObjectIndex, ClearedIndexFindsNothingAndTakesObjectsAgain) {
  scoped_refptr<BillStageImpl> stage(new BillStageImpl("st1", "Stage 1"));
  ObjectIndex index;
  EXPECT_EQ(index.Find("st1"), nullptr);
  index.Erase(stage.get());  // not there: nothing happens
  ASSERT_TRUE(index.Insert(stage.get()));
  EXPECT_TRUE(index.Insert(stage.get()));  // already there
  EXPECT_EQ(index.size(), 1u);
  index.Clear();
  EXPECT_EQ(index.Find("st1"), nullptr);
  EXPECT_EQ(index.size(), 0u);
  EXPECT_TRUE(index.Insert(stage.get()));
  EXPECT_EQ(index.Find("st1"), stage.get());
}

}  // namespace
