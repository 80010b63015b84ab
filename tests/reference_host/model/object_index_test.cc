// The flat id index against a plain map of the same ids, through inserts,
// erases and the table's growth; and the face it hands back.
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

TEST(ObjectIndex, HandsBackTheFaceOfTheObjectItWasGiven) {
  auto doc = DocumentBuilder("p")
                 .BillStage("st1", "Stage 1")
                 .SubProject("sp1", "Building")
                 .Bill("b1", 10)
                 .BudgetLine("ys1", 5, "C001")
                 .Build();
  std::vector<engine::DocumentObject*> objects;
  doc->document()->GetAllObjects(objects);
  ASSERT_EQ(objects.size(), doc->document()->object_count());
  for (engine::DocumentObject* object : objects) {
    EXPECT_EQ(doc->FindObjectById(object->GetId()), object) << object->GetId();
    EXPECT_EQ(doc->document()->FindImpl(object->GetId()),
              dynamic_cast<DocumentObjectImpl*>(object));
  }
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
