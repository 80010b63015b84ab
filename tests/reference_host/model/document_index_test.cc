// The document's id index stays in step with its tree.
#include <algorithm>
#include <initializer_list>

#include "host/engine/qrv/qrv_sub_engineering.h"
#include "tests/support/bounded_size.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;

std::unique_ptr<reference_host::AppDocumentImpl> TwoBillDocument() {
  return DocumentBuilder("p")
      .ContractGroup("g1", "MaterialForm")
      .ContractEntry("e1", "M01", "Steel")
      .SubProject("sp1", "Building")
      .Bill("b1", 10)
      .BudgetLine("ys1", 5, "C001")
      .CostLine("cb1", "e1")
      .BillEntry("d1", 2)
      .BudgetLine("ys2", 4, "C002")
      .Bill("b2", 1)
      .BudgetLine("ys3", 1, "C001")
      .Build();
}

std::vector<std::string> AllIds(const engine::Document& document) {
  std::vector<engine::DocumentObject*> objects;
  document.GetAllObjects(objects);
  std::vector<std::string> ids;
  for (auto* object : objects) ids.push_back(object->GetId());
  return ids;
}

TEST(DocumentIndex, FindsEveryBuiltObjectOnceThroughEitherFace) {
  auto doc = TwoBillDocument();
  auto* core = doc->Find<engine::ResItem>("ys1");
  ASSERT_NE(core, nullptr);
  EXPECT_EQ(dynamic_cast<engine::qrv::QRVResItem*>(core),
            doc->Find<engine::qrv::QRVResItem>("ys1"));
  EXPECT_EQ(core->GetDocument(), doc->GetEngineDocument());
  EXPECT_NE(doc->Find<engine::qrv::QRVSubEngineering>("b1"), nullptr);
  EXPECT_EQ(doc->Find<engine::ResItem>("b1"), nullptr);
  EXPECT_EQ(doc->FindObjectById("nope"), nullptr);
  EXPECT_EQ(doc->FindObjectById(""), nullptr);
  std::vector<engine::DocumentObject*> objects;
  doc->document()->GetAllObjects(objects);
  ASSERT_EQ(objects.size(), doc->document()->object_count());
  EXPECT_EQ(objects.front()->GetId(), "p");
  for (engine::DocumentObject* object : objects) {
    EXPECT_EQ(doc->FindObjectById(object->GetId()), object) << object->GetId();
    EXPECT_EQ(doc->document()->FindImpl(object->GetId()),
              dynamic_cast<reference_host::DocumentObjectImpl*>(object));
  }
}

// Takes bill "b1" out of sub-project "sp1" and checks that the objects
// |gone| left the index with it.
scoped_refptr<reference_host::SubEngineeringImpl> TakeOutBill(
    reference_host::AppDocumentImpl& doc, std::initializer_list<const char*> gone) {
  auto* sp1 = doc.Find<reference_host::SubProjectImpl>("sp1");
  scoped_refptr<reference_host::SubEngineeringImpl> b1 =
      sp1->RemoveSubEngineering(doc.Find<reference_host::SubEngineeringImpl>("b1"));
  EXPECT_TRUE(b1);
  for (const char* id : gone) EXPECT_EQ(doc.FindObjectById(id), nullptr) << id;
  return b1;
}

TEST(DocumentIndex, RemovedSubtreeLeavesAndComesBack) {
  auto doc = TwoBillDocument();
  auto* sp1 = doc->Find<reference_host::SubProjectImpl>("sp1");
  const size_t before = doc->document()->object_count();

  scoped_refptr<reference_host::SubEngineeringImpl> b1 =
      TakeOutBill(*doc, {"b1", "d1", "ys1", "ys2", "cb1"});
  ASSERT_TRUE(b1);
  EXPECT_EQ(b1->child(0)->budget_list()->item(0)->GetDocument(), nullptr);
  EXPECT_NE(doc->FindObjectById("ys3"), nullptr);

  ASSERT_TRUE(sp1->AddSubEngineering(b1, 0));
  EXPECT_EQ(doc->document()->object_count(), before);
  EXPECT_EQ(doc->FindObjectById("ys2"), b1->child(0)->budget_list()->item(0));
}

TEST(DocumentIndex, SubtreeMovesToAnotherDocument) {
  auto source = TwoBillDocument();
  auto target = DocumentBuilder("q").SubProject("tsp", "Target").Build();
  auto* b1 = source->Find<reference_host::SubEngineeringImpl>("b1");
  scoped_refptr<reference_host::SubEngineeringImpl> moved =
      source->Find<reference_host::SubProjectImpl>("sp1")->RemoveSubEngineering(b1);

  ASSERT_TRUE(target->Find<reference_host::SubProjectImpl>("tsp")->AddSubEngineering(moved));
  EXPECT_EQ(source->FindObjectById("ys2"), nullptr);
  auto* ys2 = target->Find<engine::ResItem>("ys2");
  ASSERT_NE(ys2, nullptr);
  EXPECT_EQ(ys2->GetDocument(), target->GetEngineDocument());
}

// The walks skip a bill item without lines or children, and a line list
// asked for but empty: what the item holds as lines and children come and
// go decides what moves with it.
TEST(DocumentIndex, SubtreeCarriesTheLinesAndChildrenItHoldsAfterEdits) {
  using reference_host::ResItemImpl;
  using reference_host::SubEngineeringImpl;
  auto source = TwoBillDocument();
  auto target = DocumentBuilder("q").SubProject("tsp", "Target").Build();
  auto* sp1 = source->Find<reference_host::SubProjectImpl>("sp1");
  auto* b2 = source->Find<SubEngineeringImpl>("b2");
  ASSERT_TRUE(b2->budget_list()->Add(new ResItemImpl("ys4")));
  ASSERT_TRUE(b2->budget_list()->Remove(source->Find<ResItemImpl>("ys3")));
  EXPECT_EQ(b2->cost_list()->GetCount(), 0);
  // A heading without lines over one entry with a line.
  scoped_refptr<SubEngineeringImpl> heading(new SubEngineeringImpl("h1", engine::kNodeKindBill));
  scoped_refptr<SubEngineeringImpl> entry(new SubEngineeringImpl("d9", engine::kNodeKindEntry));
  ASSERT_TRUE(entry->budget_list()->Add(new ResItemImpl("ys9")));
  ASSERT_TRUE(heading->AddChild(entry));
  ASSERT_TRUE(b2->AddChild(heading));

  scoped_refptr<SubEngineeringImpl> moved = sp1->RemoveSubEngineering(b2);
  for (const char* id : {"b2", "ys4", "h1", "d9", "ys9"})
    EXPECT_EQ(source->FindObjectById(id), nullptr) << id;
  ASSERT_TRUE(target->Find<reference_host::SubProjectImpl>("tsp")->AddSubEngineering(moved));
  EXPECT_EQ(target->FindObjectById("ys4"), moved->budget_list()->item(0));
  EXPECT_EQ(target->FindObjectById("ys9"), entry->budget_list()->item(0));
  EXPECT_THAT(AllIds(*target->document()), testing::IsSupersetOf({"b2", "ys4", "h1", "d9", "ys9"}));
  EXPECT_EQ(target->FindObjectById("ys3"), nullptr);
}

TEST(DocumentIndex, DuplicateExplicitIdIsRefusedWithoutOverwrite) {
  auto doc = TwoBillDocument();
  auto* b2 = doc->Find<reference_host::SubEngineeringImpl>("b2");
  auto* original = doc->FindObjectById("ys1");
  LogCapture log;

  EXPECT_FALSE(b2->budget_list()->Add(new reference_host::ResItemImpl("ys1")));

  EXPECT_EQ(b2->budget_list()->GetCount(), 1);
  EXPECT_EQ(doc->FindObjectById("ys1"), original);
  EXPECT_THAT(log.Messages(google::GLOG_ERROR),
              ElementsAre("duplicate object id ys1: the document already holds one"));
}

TEST(DocumentIndex, DuplicateDeepInsideAnAddedSubtreeRefusesTheWholeAdd) {
  auto doc = TwoBillDocument();
  scoped_refptr<reference_host::SubEngineeringImpl> bill(
      new reference_host::SubEngineeringImpl("b9", engine::kNodeKindBill));
  bill->budget_list()->Add(new reference_host::ResItemImpl("fresh"));
  bill->cost_list()->Add(new reference_host::ResItemImpl("cb1"));
  LogCapture log;

  EXPECT_FALSE(doc->Find<reference_host::SubProjectImpl>("sp1")->AddSubEngineering(bill));
  EXPECT_EQ(doc->FindObjectById("b9"), nullptr);
  EXPECT_EQ(doc->FindObjectById("fresh"), nullptr);
  EXPECT_EQ(bill->owner(), nullptr);
}

// A subtree of a hundred objects and more is checked, entered and taken out
// in batches: one pair of equal ids deep inside still refuses the add.
TEST(DocumentIndex, LargeSubtreeIsRefusedForOnePairOfEqualIdsAndEntersWhole) {
  auto doc = TwoBillDocument();
  const size_t before = doc->document()->object_count();
  scoped_refptr<reference_host::SubEngineeringImpl> bill(
      new reference_host::SubEngineeringImpl("b9", engine::kNodeKindBill));
  for (int i = 0; i < 150; ++i)
    bill->budget_list()->Add(new reference_host::ResItemImpl("n" + std::to_string(i)));
  scoped_refptr<reference_host::ResItemImpl> twin(new reference_host::ResItemImpl("n42"));
  bill->cost_list()->Add(twin);
  auto* sp1 = doc->Find<reference_host::SubProjectImpl>("sp1");
  {
    LogCapture log;
    EXPECT_FALSE(sp1->AddSubEngineering(bill));
    EXPECT_THAT(log.Messages(google::GLOG_ERROR),
                ElementsAre("duplicate object id n42: the document already holds one"));
  }
  EXPECT_EQ(doc->document()->object_count(), before);
  EXPECT_EQ(doc->FindObjectById("n0"), nullptr);
  EXPECT_EQ(bill->owner(), nullptr);

  bill->cost_list()->Remove(twin.get());
  ASSERT_TRUE(sp1->AddSubEngineering(bill));
  EXPECT_EQ(doc->document()->object_count(), before + 151);
  EXPECT_EQ(AllIds(*doc->document()).size(), before + 151);
  for (int i = 0; i < 150; ++i)
    EXPECT_EQ(doc->FindObjectById("n" + std::to_string(i)), bill->budget_list()->item(i));

  ASSERT_TRUE(sp1->RemoveSubEngineering(bill.get()));
  EXPECT_EQ(doc->document()->object_count(), before);
  EXPECT_EQ(doc->FindObjectById("n149"), nullptr);
  EXPECT_EQ(bill->budget_list()->item(149)->GetDocument(), nullptr);
  EXPECT_NE(doc->FindObjectById("ys3"), nullptr);
}

TEST(DocumentIndex, ObjectWithAnOwnerOrUnderItselfIsRefused) {
  auto doc = TwoBillDocument();
  LogCapture log;
  auto* b1 = doc->Find<reference_host::SubEngineeringImpl>("b1");
  auto* d1 = doc->Find<reference_host::SubEngineeringImpl>("d1");
  EXPECT_FALSE(doc->Find<reference_host::SubEngineeringImpl>("b2")->AddChild(d1));
  EXPECT_EQ(d1->GetParent(), b1);

  scoped_refptr<reference_host::SubEngineeringImpl> loose(
      new reference_host::SubEngineeringImpl("x", 2));
  scoped_refptr<reference_host::SubEngineeringImpl> inner(
      new reference_host::SubEngineeringImpl("y", 3));
  ASSERT_TRUE(loose->AddChild(inner));
  EXPECT_FALSE(inner->AddChild(loose));
  EXPECT_THAT(log.Messages(google::GLOG_ERROR), ElementsAre("object d1 already has an owner (b1)",
                                                            "object x cannot be put under itself"));
}

TEST(DocumentIndex, CopyItemIsIndexedWhileARecordInTheDocumentListsIt) {
  auto doc = CollectedDocument();
  auto* copy = doc->Find<reference_host::ResItemImpl>("copy1");
  ASSERT_NE(copy, nullptr);
  auto* budget = doc->Find<reference_host::ResItemImpl>("ys1");
  auto* cost = doc->Find<reference_host::ResItemImpl>("cb1");
  EXPECT_EQ(copy->GetOwner(), nullptr);
  EXPECT_EQ(copy->GetOwnerList(), nullptr);

  // Taking the budget line out leaves the copy listed by the cost line.
  auto* b1 = doc->Find<reference_host::SubEngineeringImpl>("b1");
  scoped_refptr<reference_host::ResItemImpl> held_budget = b1->budget_list()->Remove(budget);
  EXPECT_EQ(doc->FindObjectById("copy1"), copy);
  ASSERT_TRUE(b1->budget_list()->Add(held_budget));

  scoped_refptr<reference_host::ResItemImpl> keep(copy);
  dynamic_cast<engine::qrv::QRVResCollectObj*>(cost->GetCollect())->RemoveCopy(copy);
  EXPECT_EQ(doc->FindObjectById("copy1"), copy);
  dynamic_cast<engine::qrv::QRVResCollectTemplete*>(budget->GetCollect())->RemoveCopy(copy);
  EXPECT_EQ(doc->FindObjectById("copy1"), nullptr);
  EXPECT_EQ(copy->GetDocument(), nullptr);
}

// Lines without a listing record are skipped by the walks; the lines whose
// records list the copy still carry it out and back in.
TEST(DocumentIndex, CopyItemLeavesAndComesBackWithTheBillOfItsLines) {
  auto doc = CollectedDocument();
  auto* copy = doc->Find<reference_host::ResItemImpl>("copy1");
  auto* sp1 = doc->Find<reference_host::SubProjectImpl>("sp1");
  const size_t before = doc->document()->object_count();

  scoped_refptr<reference_host::SubEngineeringImpl> b1 =
      TakeOutBill(*doc, {"b1", "ys1", "cb1", "cb2", "copy1"});
  ASSERT_TRUE(b1);
  EXPECT_EQ(copy->GetDocument(), nullptr);

  ASSERT_TRUE(sp1->AddSubEngineering(b1, 0));
  EXPECT_EQ(doc->FindObjectById("copy1"), copy);
  EXPECT_EQ(doc->document()->object_count(), before);
  const std::vector<std::string> ids = AllIds(*doc->document());
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "copy1"), 1);
  EXPECT_EQ(ids.size(), before);
}

TEST(DocumentIndex, ObjectsOutlivingTheirDocumentForgetIt) {
  scoped_refptr<reference_host::ResItemImpl> kept;
  {
    auto doc = TwoBillDocument();
    kept = doc->Find<reference_host::ResItemImpl>("ys1");
  }
  EXPECT_EQ(kept->GetDocument(), nullptr);
  EXPECT_EQ(kept->GetOwner(), nullptr);
  EXPECT_EQ(kept->GetOwnerList(), nullptr);
  EXPECT_EQ(kept->GetBaseResItem()->GetOwner(), nullptr);
}

// Random adds and removals of bill subtrees keep index and tree walk equal.
RC_GTEST_PROP(DocumentIndex, IndexMatchesTreeAfterRandomEdits, ()) {
  const auto edits =
      *test_support::AtMostSize(rc::gen::arbitrary<std::vector<std::pair<bool, unsigned>>>());
  auto doc = DocumentBuilder("p").SubProject("sp", "S").Build();
  auto* sp = doc->Find<reference_host::SubProjectImpl>("sp");
  std::vector<scoped_refptr<reference_host::SubEngineeringImpl>> loose;
  int next = 0;
  for (const auto& [add, pick] : edits) {
    if (add || sp->GetSubEngineeringCount() == 0) {
      scoped_refptr<reference_host::SubEngineeringImpl> bill;
      if (!loose.empty() && pick % 2) {
        bill = loose.back();
        loose.pop_back();
      } else {
        bill = new reference_host::SubEngineeringImpl("b" + std::to_string(next++), 2);
        bill->budget_list()->Add(new reference_host::ResItemImpl("l" + std::to_string(next++)));
        bill->AddChild(new reference_host::SubEngineeringImpl("e" + std::to_string(next++), 3));
      }
      RC_ASSERT(sp->AddSubEngineering(bill, static_cast<int>(pick % 3)));
    } else {
      auto* victim = sp->GetSubEngineering(static_cast<int>(pick % sp->GetSubEngineeringCount()));
      loose.push_back(sp->RemoveSubEngineering(victim));
    }
  }
  std::vector<std::string> walked = AllIds(*doc->document());
  RC_ASSERT(walked.size() == doc->document()->object_count());
  for (const auto& id : walked) RC_ASSERT(doc->FindObjectById(id) != nullptr);
  for (const auto& bill : loose) RC_ASSERT(doc->FindObjectById(bill->GetId()) == nullptr);
}

TEST(DocumentIndex, RenameMovesAnObjectToAFreeIdOnly) {
  auto doc = TwoBillDocument();
  reference_host::EstimateDocument* index = doc->document();
  ResItemImpl* line = doc->Find<ResItemImpl>("ys1");
  EXPECT_FALSE(index->Rename(line, "ys2"));  // taken
  EXPECT_FALSE(index->Rename(line, ""));
  EXPECT_EQ(doc->FindObjectById("ys1"), static_cast<engine::DocumentObject*>(line));
  EXPECT_TRUE(index->Rename(line, "ys9"));
  EXPECT_EQ(line->GetId(), "ys9");
  EXPECT_EQ(doc->FindObjectById("ys1"), nullptr);
  EXPECT_EQ(doc->FindObjectById("ys9"), static_cast<engine::DocumentObject*>(line));
  // Only an object of this document.
  scoped_refptr<ResItemImpl> loose(new ResItemImpl("free"));
  EXPECT_FALSE(index->Rename(loose.get(), "ys1"));
  EXPECT_EQ(loose->GetId(), "free");
}

}  // namespace
