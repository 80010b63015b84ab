// The compact model behaves as the plain one it replaced: a bill item's
// lists and fee calculator made on first use read as empty ones that were
// always there, fee figures and fields kept in flat arrays agree with maps of
// the same edits, and a line names its list without holding a pointer to it.
#include <map>

#include "reference_host/model/fee_calc_impl.h"
#include "reference_host/model/field_container_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/shared_text.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/bounded_size.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using reference_host::FeeCalcImpl;
using reference_host::FieldContainerImpl;
using reference_host::ResItemListImpl;
using reference_host::SharedText;
using reference_host::SubEngineeringImpl;

std::unique_ptr<reference_host::AppDocumentImpl> BillWithEntry() {
  return DocumentBuilder("p")
      .ContractGroup("g1", "MaterialForm")
      .ContractEntry("e1", "M01", "Steel")
      .SubProject("sp1", "Building")
      .Bill("b1", 10)
      .CostLine("cb1", "e1")
      .BillEntry("d1", 2)
      .BudgetLine("ys1", 4, "C001")
      .BudgetLine("ys2", 1, "C002")
      .Build();
}

TEST(LazyBillParts, AnUnusedPartReadsAsAnEmptyOneAndSavesAsOne) {
  auto doc = BillWithEntry();
  auto* bill = doc->Find<SubEngineeringImpl>("b1");
  auto* entry = doc->Find<SubEngineeringImpl>("d1");
  const std::string saved = reference_host::SaveDocumentText(*doc->document());
  // The bill has cost lines only; the entry budget lines only.
  EXPECT_EQ(bill->made_fee_calc(), nullptr);

  ASSERT_NE(bill->GetResItemList(), nullptr);
  EXPECT_EQ(bill->GetResItemList()->GetCount(), 0);
  EXPECT_EQ(bill->GetResItemList()->GetOwner(), bill);
  EXPECT_EQ(bill->GetResItemList(), bill->budget_list());
  ASSERT_NE(entry->GetCBResItemList(), nullptr);
  EXPECT_EQ(entry->GetCBResItemList()->GetCount(), 0);
  ASSERT_NE(bill->GetFeeCalc(), nullptr);
  ASSERT_NE(bill->made_fee_calc(), nullptr);
  double figure = 0;
  EXPECT_FALSE(bill->made_fee_calc()->GetFeeCost("Labor", figure));
  // Made and still empty: the same text as before they were made.
  EXPECT_EQ(reference_host::SaveDocumentText(*doc->document()), saved);

  // A line added through the interface to a list never used before stays in it.
  scoped_refptr<ResItemImpl> line(new ResItemImpl("cb2"));
  entry->GetCBResItemList()->AddCBResItem(line.get(), nullptr);
  EXPECT_EQ(line->GetOwnerList(), entry->cost_list());
  EXPECT_EQ(doc->FindObjectById("cb2"), line.get());
}

TEST(LazyBillParts, APartTheItemLacksIsNeverMade) {
  auto doc = DocumentBuilder("p")
                 .SubProject("sp1", "Building")
                 .Bill("b1", 1)
                 .WithoutBudgetList()
                 .WithoutCostList()
                 .WithoutFeeCalc()
                 .Build();
  auto* bill = doc->Find<SubEngineeringImpl>("b1");
  EXPECT_EQ(bill->GetResItemList(), nullptr);
  EXPECT_EQ(bill->GetCBResItemList(), nullptr);
  EXPECT_EQ(bill->GetFeeCalc(), nullptr);
  const std::string saved = reference_host::SaveDocumentText(*doc->document());
  EXPECT_NE(saved.find("\"budget\": null"), std::string::npos);
  EXPECT_NE(saved.find("\"cost\": null"), std::string::npos);
  EXPECT_NE(saved.find("\"fee\": null"), std::string::npos);

  // Given back, each part is there and empty, as one never used.
  bill->SetHasBudgetList(true);
  bill->SetHasFeeCalc(true);
  ASSERT_NE(bill->GetResItemList(), nullptr);
  EXPECT_EQ(bill->GetResItemList()->GetCount(), 0);
  ASSERT_NE(bill->GetFeeCalc(), nullptr);
  EXPECT_EQ(reference_host::SaveDocumentText(*doc->document()).find("\"budget\": null"),
            std::string::npos);
}

TEST(LineOwnerList, FollowsTheLineThroughMovesAndDroppedLists) {
  auto doc = BillWithEntry();
  auto* bill = doc->Find<SubEngineeringImpl>("b1");
  auto* entry = doc->Find<SubEngineeringImpl>("d1");
  ResItemImpl* ys1 = doc->Find<ResItemImpl>("ys1");
  ResItemImpl* cb1 = doc->Find<ResItemImpl>("cb1");
  EXPECT_EQ(ys1->GetOwnerList(), entry->budget_list());
  EXPECT_EQ(ys1->owner_sub_engineering(), entry);
  EXPECT_EQ(cb1->GetOwnerList(), bill->cost_list());

  // Into the bill's budget list, made by the move.
  scoped_refptr<ResItemImpl> moved = entry->budget_list()->Remove(ys1);
  EXPECT_EQ(moved->GetOwnerList(), nullptr);
  EXPECT_EQ(moved->owner_sub_engineering(), nullptr);
  ASSERT_TRUE(bill->budget_list()->Add(moved));
  EXPECT_EQ(moved->GetOwnerList(), bill->budget_list());
  EXPECT_EQ(moved->owner_sub_engineering(), bill);

  // A line whose list is replaced or dropped stands in no list.
  scoped_refptr<ResItemImpl> held_cost(cb1);
  auto* installed = new ResItemListImpl(nullptr, ResItemListImpl::Side::kCost);
  bill->SetCBResItemList(installed);
  EXPECT_EQ(bill->GetCBResItemList(), installed);
  EXPECT_EQ(installed->GetOwner(), bill);
  EXPECT_EQ(held_cost->GetOwnerList(), nullptr);
  EXPECT_EQ(held_cost->GetDocument(), nullptr);
  scoped_refptr<ResItemImpl> held_budget(doc->Find<ResItemImpl>("ys2"));
  entry->SetHasBudgetList(false);
  EXPECT_EQ(held_budget->GetOwnerList(), nullptr);
  EXPECT_EQ(held_budget->owner_sub_engineering(), nullptr);
  // A cost list dropped and given back is the item's own again, empty.
  bill->SetHasCostList(false);
  bill->SetHasCostList(true);
  ASSERT_NE(bill->GetCBResItemList(), nullptr);
  EXPECT_NE(bill->GetCBResItemList(), installed);
  EXPECT_EQ(bill->GetCBResItemList()->GetCount(), 0);
  EXPECT_EQ(bill->GetCBResItemList()->GetOwner(), bill);
  // ResetOwnerRef on a line in no list changes nothing.
  held_budget->ResetOwnerRef(0);
  EXPECT_EQ(held_budget->GetOwnerList(), nullptr);
}

// Fee kinds and field keys drawn from a small set, odd ones included, so
// that edits hit the same names again.
const std::vector<std::string>& Names() {
  static const std::vector<std::string> names{"Labor",        "Machine", "Material", "", "a\"b",
                                              "\xe4\xba\xba", "Labor ",  "zz",       "A"};
  return names;
}

rc::Gen<std::string> Name() { return rc::gen::elementOf(Names()); }

RC_GTEST_PROP(FlatFeeFigures, AgreeWithTwoMapsOfTheSameEdits, ()) {
  FeeCalcImpl fees;
  std::map<std::string, double> unit, total;
  const int steps = *rc::gen::inRange(0, 60);
  for (int i = 0; i < steps; ++i) {
    const std::string kind = *Name();
    const double figure = *rc::gen::inRange(-1000, 1000) / 8.0;
    if (*rc::gen::arbitrary<bool>()) {
      fees.SetFeeCost(kind, figure);
      unit[kind] = figure;
    } else {
      fees.SetFeeTotalCost(kind, figure);
      total[kind] = figure;
    }
  }
  for (const auto& [side, model] :
       {std::make_pair(fees.unit_costs(), unit), std::make_pair(fees.total_costs(), total)}) {
    std::map<std::string, double> read;
    std::vector<std::string> order;
    for (const auto& [kind, figure] : side) {
      read[kind] = figure;
      order.push_back(kind);
    }
    RC_ASSERT(read == model);
    RC_ASSERT(std::is_sorted(order.begin(), order.end()));
    RC_ASSERT(side.empty() == model.empty());
  }
  for (const char* kind : {"Labor", "Machine", "", "absent"}) {
    double figure = -1;
    RC_ASSERT(fees.GetFeeCost(kind, figure) == (unit.count(kind) != 0));
    RC_ASSERT(figure == (unit.count(kind) ? unit[kind] : -1));
    figure = -1;
    RC_ASSERT(fees.GetFeeTotalCost(kind, figure) == (total.count(kind) != 0));
    RC_ASSERT(figure == (total.count(kind) ? total[kind] : -1));
  }
}

engine::FieldValue DrawValue() {
  switch (*rc::gen::inRange(0, 5)) {
    case 0:
      return engine::FieldValue(*rc::gen::arbitrary<bool>());
    case 1:
      return engine::FieldValue(*rc::gen::inRange(-50, 50));
    case 2:
      return engine::FieldValue(*rc::gen::inRange(-50, 50) / 4.0);
    case 3: {
      // Around the 10 bytes kept in place; longer ones are shared, and the
      // small alphabet makes equal texts recur across fields.
      const int size = *rc::gen::inRange(0, 24);
      return engine::FieldValue(
          *rc::gen::container<std::string>(size, rc::gen::element('a', 'b', '\0', '\xe4')));
    }
    default:
      return engine::FieldValue();
  }
}

RC_GTEST_PROP(CompactFieldStore, AgreesWithAMapThroughEditsCopiesAndTheEngineMap, ()) {
  const size_t shared_before = SharedText::StoredCount();
  {
    FieldContainerImpl fields, other;
    std::map<std::string, engine::FieldValue> model;
    const engine::FieldContainer::FieldMap* engine_map = nullptr;
    const int steps = *rc::gen::inRange(0, 80);
    for (int i = 0; i < steps; ++i) {
      const std::string key = *Name();
      switch (*rc::gen::inRange(0, 8)) {
        case 0:
          fields.RemoveField(key, true);
          model.erase(key);
          break;
        case 1:
          // The engine's map, once built, is kept in step from then on.
          engine_map = &fields.GetAllFields();
          break;
        case 2:
          other.SetFieldValue(key, DrawValue(), false);
          fields.CopyFieldsFrom(&other);
          for (const auto& [other_key, value] : other.GetAllFields()) model[other_key] = value;
          break;
        case 3:
          if (*rc::gen::inRange(0, 4) == 0) {
            fields.AssignFrom(other);
            model = other.GetAllFields();
          }
          break;
        default: {
          const engine::FieldValue value = DrawValue();
          fields.SetFieldValue(key, value, *rc::gen::arbitrary<bool>());
          model[key] = value;
        }
      }
      RC_ASSERT(fields.field_count() == model.size());
      // Reads by key, held or not, whatever bits their keys share.
      for (const std::string& name : Names()) {
        engine::FieldValue value;
        RC_ASSERT(fields.GetFieldValue(name, value) == (model.count(name) != 0));
        if (model.count(name) != 0) RC_ASSERT(value == model.at(name));
      }
    }
    std::vector<std::string> order;
    fields.ForEachField([&](const FieldContainerImpl::Field& field) {
      order.push_back(field.key());
      RC_ASSERT(model.count(field.key()) != 0);
      RC_ASSERT(field.ToValue() == model.at(field.key()));
    });
    RC_ASSERT(std::is_sorted(order.begin(), order.end()));
    RC_ASSERT(order.size() == model.size());
    if (engine_map) RC_ASSERT(*engine_map == model);
    RC_ASSERT(fields.GetAllFields() == model);
  }
  // Every shared text went with the last field holding it.
  RC_ASSERT(SharedText::StoredCount() == shared_before);
}

}  // namespace
