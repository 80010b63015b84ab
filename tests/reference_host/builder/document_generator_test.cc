// The generator of large synthetic documents: repeatable, of the requested
// size, and consistent in its collection records and links.
#include "reference_host/builder/document_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "beans/qrv_resitem.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/marrow/sub_project_beans.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/table_impl.h"
#include "reference_host/persist/document_json.h"

namespace {

using reference_host::ResItemImpl;

reference_host::GeneratorOptions SmallOptions(std::uint64_t seed) {
  reference_host::GeneratorOptions options;
  options.seed = seed;
  options.sub_projects = 3;
  options.sub_projects_per_single = 2;
  options.bills_per_sub_project = 7;
  options.entries_per_bill = 2;
  options.budget_lines_per_bill = 10;
  options.cost_lines_per_bill = 3;
  options.resource_codes = 30;
  options.accounts = 40;
  options.account_depth = 3;
  options.bill_stages = 4;
  options.contract_entries = 23;
  options.rows = 31;
  options.row_depth = 3;
  options.collected_fraction = 0.3;
  options.linked_fraction = 0.2;
  return options;
}

// SmallOptions with every merge table, under a prefix.
reference_host::GeneratorOptions MergeOptions(std::uint64_t seed) {
  reference_host::GeneratorOptions options = SmallOptions(seed);
  options.id_prefix = "m:";
  options.merge_tables = true;
  options.unit_price_items = 23;
  options.measure_lines = 3;
  options.shared_entries = 12;
  options.lump_sum_items = 17;
  options.measure_fanout = 4;
  options.jjfy_items = 5;
  options.keyed_rows = 9;
  options.other_item_rows = 3;
  options.fee_rows = 7;
  options.local_form_entries = 11;
  options.set_members = 4;
  return options;
}

int Children(const engine::SubEngineering* item) { return item ? item->GetChildCount() : -1; }

std::vector<engine::DocumentObject*> AllObjects(const reference_host::AppDocumentImpl& document) {
  std::vector<engine::DocumentObject*> objects;
  document.document()->GetAllObjects(objects);
  return objects;
}

template <class T>
std::vector<T*> AllOf(const reference_host::AppDocumentImpl& document) {
  std::vector<T*> found;
  for (engine::DocumentObject* object : AllObjects(document))
    if (auto* typed = dynamic_cast<T*>(object)) found.push_back(typed);
  return found;
}

bool IsBudgetLine(const ResItemImpl* line) {
  return line->owner_list() &&
         line->owner_list()->side() == reference_host::ResItemListImpl::Side::kBudget;
}

bool IsCostLine(const ResItemImpl* line) {
  return line->owner_list() &&
         line->owner_list()->side() == reference_host::ResItemListImpl::Side::kCost;
}

double Quantity(const engine::ResItem* line) {
  double quantity = 0;
  return line->GetQuantity(quantity) ? quantity : std::nan("");
}

// The same seed gives the same document; another gives other figures under
// the same ids.
TEST(DocumentGenerator, TheSeedDecidesTheFiguresAndNothingElse) {
  auto first = reference_host::GenerateDocument(MergeOptions(42));
  auto second = reference_host::GenerateDocument(MergeOptions(42));
  auto other = reference_host::GenerateDocument(MergeOptions(43));
  ASSERT_TRUE(first && second && other);
  const std::vector<engine::DocumentObject*> a = AllObjects(*first);
  const std::vector<engine::DocumentObject*> b = AllObjects(*second);
  ASSERT_EQ(a.size(), b.size());
  ASSERT_EQ(a.size(), other->document()->object_count());
  int differing = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i]->GetId(), b[i]->GetId()) << "object " << i;
    EXPECT_EQ(a[i]->GetFieldContainer()->GetAllFields(), b[i]->GetFieldContainer()->GetAllFields())
        << a[i]->GetId();
    auto* line_a = dynamic_cast<ResItemImpl*>(a[i]);
    auto* line_b = dynamic_cast<ResItemImpl*>(b[i]);
    if (line_a && line_b) {
      EXPECT_EQ(Quantity(line_a), Quantity(line_b)) << a[i]->GetId();
      EXPECT_EQ(line_a->linked_ids(), line_b->linked_ids()) << a[i]->GetId();
    }
    if (!line_a || !IsBudgetLine(line_a)) continue;
    auto* twin = other->Find<ResItemImpl>(line_a->GetId());
    ASSERT_NE(twin, nullptr) << line_a->GetId();
    differing += Quantity(line_a) != Quantity(twin);
  }
  EXPECT_GT(differing, 0);
}

TEST(DocumentGenerator, MakesTheRequestedSizes) {
  const reference_host::GeneratorOptions options = SmallOptions(5);
  auto document = reference_host::GenerateDocument(options);
  ASSERT_TRUE(document);
  const int bills = options.sub_projects * options.bills_per_sub_project;

  EXPECT_EQ(static_cast<std::int64_t>(document->document()->object_count()),
            reference_host::CountObjects(options));
  EXPECT_EQ(AllObjects(*document).size(), document->document()->object_count());

  int bill_count = 0, entry_count = 0;
  for (reference_host::SubEngineeringImpl* item :
       AllOf<reference_host::SubEngineeringImpl>(*document)) {
    if (item->GetNodeKind() == engine::kNodeKindBill) {
      ++bill_count;
      EXPECT_EQ(item->GetChildCount(), options.entries_per_bill);
      EXPECT_EQ(item->cost_list()->size(), options.cost_lines_per_bill);
    } else {
      ++entry_count;
      EXPECT_EQ(item->GetNodeKind(), engine::kNodeKindEntry);
    }
  }
  EXPECT_EQ(bill_count, bills);
  EXPECT_EQ(entry_count, bills * options.entries_per_bill);

  int budget_lines = 0, cost_lines = 0;
  for (ResItemImpl* line : AllOf<ResItemImpl>(*document)) {
    budget_lines += IsBudgetLine(line);
    cost_lines += IsCostLine(line);
  }
  EXPECT_EQ(budget_lines, reference_host::CountBudgetLines(options));
  EXPECT_EQ(cost_lines, bills * options.cost_lines_per_bill);

  reference_host::ProjectImpl* project = document->project();
  const std::vector<reference_host::CostAccountImpl*> accounts =
      project->cost_accounts()->AllAccounts();
  ASSERT_EQ(static_cast<int>(accounts.size()), options.accounts);
  for (reference_host::CostAccountImpl* account : accounts) {
    int depth = 0;
    for (const reference_host::CostAccountImpl* up = account; up; up = up->GetParent()) ++depth;
    EXPECT_LE(depth, options.account_depth);
    // Paths name one account each, so a path picks it.
    EXPECT_EQ(std::count_if(accounts.begin(), accounts.end(),
                            [&](reference_host::CostAccountImpl* other) {
                              return other->GetPath() == account->GetPath();
                            }),
              1);
  }
  EXPECT_EQ(project->bill_stages()->GetBillStageCount(), options.bill_stages);

  int contract_entries = 0;
  bool self_lease = false;
  for (int g = 0; g < project->GetBaseResItemGroupCount(); ++g) {
    contract_entries += project->GetBaseResItemGroup(g)->GetCount();
    self_lease |= project->GetBaseResItemGroup(g)->GetFormName() == "SelfLeaseMachineForm";
  }
  EXPECT_EQ(contract_entries, options.contract_entries);
  EXPECT_TRUE(self_lease);

  ASSERT_EQ(project->table_count(), 1);
  EXPECT_EQ(static_cast<int>(AllOf<reference_host::TupleImpl>(*document).size()), options.rows);
  for (reference_host::TupleImpl* row : AllOf<reference_host::TupleImpl>(*document)) {
    int depth = 0;
    for (const reference_host::TupleImpl* up = row; up; up = up->GetParent()) ++depth;
    EXPECT_LE(depth, options.row_depth);
    // Accounts sit on one level of each branch: the leaves.
    if (row->fields()->HasField(reference_host::keys::kCostAccount)) {
      EXPECT_EQ(row->GetChildCount(), 0);
    }
  }
}

TEST(DocumentGenerator, SizingHelpersReachTheirTargets) {
  for (std::int64_t objects : {1000, 25000, 1000000, 3000000}) {
    const std::int64_t made =
        reference_host::CountObjects(reference_host::OptionsForObjects(objects));
    EXPECT_GE(made, objects);
    EXPECT_LT(made, objects + objects / 50 + 1000) << objects;
    // Merge documents: about half in the merge tables.
    if (objects < 25000) continue;
    const reference_host::GeneratorOptions merge = reference_host::OptionsForMerge(objects, "x");
    EXPECT_NEAR(static_cast<double>(reference_host::CountObjects(merge)), objects,
                objects / 50.0 + 1000)
        << objects;
    EXPECT_NEAR(static_cast<double>(reference_host::CountMergeTableObjects(merge)), objects / 2.0,
                objects / 20.0 + 100)
        << objects;
  }
  for (std::int64_t lines : {10, 10000, 200000, 1000000}) {
    const std::int64_t made =
        reference_host::CountBudgetLines(reference_host::OptionsForBudgetLines(lines));
    EXPECT_GE(made, lines);
    EXPECT_LT(made, lines + lines / 50 + 100) << lines;
  }
  const reference_host::GeneratorOptions options = reference_host::OptionsForObjects(20000, 3);
  auto document = reference_host::GenerateDocument(options);
  ASSERT_TRUE(document);
  EXPECT_EQ(static_cast<std::int64_t>(document->document()->object_count()),
            reference_host::CountObjects(options));
}

TEST(DocumentGenerator, MakesTheMergeTablesAndSavesThemByteForByte) {
  const reference_host::GeneratorOptions options = MergeOptions(6);
  auto document = reference_host::GenerateDocument(options);
  ASSERT_TRUE(document);
  EXPECT_EQ(static_cast<std::int64_t>(document->document()->object_count()),
            reference_host::CountObjects(options));
  reference_host::GeneratorOptions plain = options;
  plain.merge_tables = false;
  EXPECT_EQ(reference_host::CountObjects(options) - reference_host::CountObjects(plain),
            reference_host::CountMergeTableObjects(options));
  for (engine::DocumentObject* object : AllObjects(*document))
    EXPECT_EQ(object->GetId().rfind("m:", 0), 0u) << object->GetId();

  reference_host::SubProjectImpl* root = document->project()->GetRootSubProject();
  // 23 unit-price items under headings of 4, 3 lines each; 17 lump-sum items
  // under subtitles of 4.
  EXPECT_EQ(Children(root->GetDJCSRoot()), 6);
  EXPECT_EQ(Children(root->GetDJCSRoot()->GetChildSubEngineering(5)), 3);
  EXPECT_EQ(root->GetDJCSRoot()
                ->GetChildSubEngineering(0)
                ->GetChildSubEngineering(0)
                ->GetResItemList()
                ->GetCount(),
            3);
  EXPECT_EQ(Children(root->GetZJCSRoot()), 5);
  EXPECT_EQ(root->GetZJCSRoot()->GetChildSubEngineering(1)->GetChildSubEngineering(2)->GetCode(),
            "2.3");
  EXPECT_EQ(Children(root->GetJJFYRoot()), 5);
  EXPECT_EQ(root->GetSharedItemSet()->GetMemberCount(), 12);
  EXPECT_EQ(root->GetZJCSDetailTable()->GetRowCount(), 9);
  EXPECT_EQ(root->GetJJFYTable()->GetRowCount(), 9);
  EXPECT_EQ(root->GetQTXMTables()->GetTable5()->GetRowCount(), 3);
  EXPECT_EQ(root->GetFeeStore()->GetTable("Fee")->GetRowCount(), 7);
  EXPECT_EQ(root->GetGroupedItemSet()->size(), 5);
  EXPECT_EQ(root->GetGroupedItemSet()->group(0)->GetCount(), 3);
  EXPECT_EQ(root->GetMovableItemSet()->GetCount(), 4);
  EXPECT_EQ(root->GetProductItemSet()->GetCount(), 4);
  EXPECT_EQ(root->GetMovableRecordSet()->GetCount(), 4);
  double area = 0;
  EXPECT_TRUE(marrow::SubProjectBeans(root).GetBuildingArea(area));
  EXPECT_GT(area, 0);

  const std::string saved = reference_host::SaveDocumentText(*document->document());
  reference_host::LoadResult loaded = reference_host::LoadDocumentText(saved);
  ASSERT_TRUE(loaded) << loaded.error;
  EXPECT_EQ(loaded.document->document()->object_count(), document->document()->object_count());
  EXPECT_EQ(reference_host::SaveDocumentText(*loaded.document->document()), saved);
}

TEST(DocumentGenerator, CollectionRecordsAndLinksAreConsistent) {
  const reference_host::GeneratorOptions options = SmallOptions(9);
  auto document = reference_host::GenerateDocument(options);
  ASSERT_TRUE(document);
  const reference_host::BillParts parts = reference_host::PartsPerBill(options);
  ASSERT_GT(parts.linked, 0);
  ASSERT_GT(parts.collected, 0);

  int linked_lines = 0, collected_lines = 0, copies = 0;
  for (ResItemImpl* line : AllOf<ResItemImpl>(*document)) {
    if (IsBudgetLine(line)) {
      marrow::qrv::QRVResItemBean view(static_cast<engine::ResItem*>(line));
      const bool linked = view.IsBindWithCBRCJ();
      const bool collected = view.IsCollected();
      EXPECT_FALSE(linked && collected) << line->GetId();
      linked_lines += linked;
      collected_lines += collected;
      // Never more collected than the line holds.
      EXPECT_LE(view.GetResItemCollectedQuantity(0), Quantity(line) + 1e-9) << line->GetId();
      EXPECT_GE(view.GetResItemCollectAllowQuantity(), 0) << line->GetId();
      auto* templete = dynamic_cast<reference_host::ResCollectTempleteImpl*>(line->GetCollect());
      if (!templete) {
        EXPECT_EQ(line->GetCollect(), nullptr);
        continue;
      }
      for (const auto& copy : templete->listed_copies()) {
        // Each copy names its budget line and a cost line of the same bill,
        // whose object record lists it too.
        auto* record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(copy->GetCollect());
        ASSERT_NE(record, nullptr) << copy->GetId();
        EXPECT_EQ(record->GetTempleteResItem(), line);
        auto* cost = dynamic_cast<ResItemImpl*>(record->GetCBResItem());
        ASSERT_NE(cost, nullptr) << copy->GetId();
        EXPECT_TRUE(IsCostLine(cost));
        EXPECT_EQ(view.GetOwnerBill(), cost->owner_sub_engineering());
        EXPECT_TRUE(cost->CanBeCollectTarget());
        auto* obj = dynamic_cast<reference_host::ResCollectObjImpl*>(cost->GetCollect());
        ASSERT_NE(obj, nullptr);
        EXPECT_EQ(std::count(obj->listed_copies().begin(), obj->listed_copies().end(), copy), 1);
        EXPECT_EQ(document->FindObjectById(copy->GetId()),
                  static_cast<engine::ResItem*>(copy.get()));
        ++copies;
      }
    } else if (IsCostLine(line)) {
      if (auto* obj = dynamic_cast<reference_host::ResCollectObjImpl*>(line->GetCollect())) {
        EXPECT_TRUE(line->linked_ids().empty()) << line->GetId();
        double sum = 0;
        for (const auto& copy : obj->listed_copies()) {
          auto* record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(copy->GetCollect());
          ASSERT_NE(record, nullptr);
          EXPECT_EQ(record->GetCBResItem(), static_cast<engine::qrv::QRVResItem*>(line));
          auto* budget = dynamic_cast<ResItemImpl*>(record->GetTempleteResItem());
          ASSERT_NE(budget, nullptr);
          auto* templete =
              dynamic_cast<reference_host::ResCollectTempleteImpl*>(budget->GetCollect());
          ASSERT_NE(templete, nullptr);
          EXPECT_EQ(
              std::count(templete->listed_copies().begin(), templete->listed_copies().end(), copy),
              1);
          sum += Quantity(copy.get());
        }
        EXPECT_NEAR(line->collected_quantity(), sum, 1e-9);
      }
      for (const std::string& id : line->linked_ids()) {
        auto* budget = document->Find<ResItemImpl>(id);
        ASSERT_NE(budget, nullptr) << id;
        EXPECT_EQ(budget->owner_sub_engineering()->GetParent(), line->owner_sub_engineering());
      }
    }
  }
  const int bills = options.sub_projects * options.bills_per_sub_project;
  EXPECT_EQ(linked_lines, bills * parts.linked);
  EXPECT_EQ(collected_lines, bills * parts.collected);
  EXPECT_EQ(copies, bills * parts.collected);
}

TEST(DocumentGenerator, CopiedTreesKeepCodesAndNamesUnderNewIds) {
  auto document = reference_host::GenerateDocument(SmallOptions(3));
  ASSERT_TRUE(document);
  reference_host::ProjectImpl* project = document->project();
  scoped_refptr<reference_host::CostAccountGroupImpl> accounts =
      reference_host::CopyCostAccountTree(*project->cost_accounts(), "src:");
  const std::vector<reference_host::CostAccountImpl*> original =
      project->cost_accounts()->AllAccounts();
  const std::vector<reference_host::CostAccountImpl*> copied = accounts->AllAccounts();
  ASSERT_EQ(original.size(), copied.size());
  for (size_t i = 0; i < original.size(); ++i) {
    EXPECT_EQ(copied[i]->GetId(), "src:" + original[i]->GetId());
    EXPECT_EQ(copied[i]->GetCode(), original[i]->GetCode());
    EXPECT_EQ(copied[i]->GetPath(), original[i]->GetPath());
    EXPECT_EQ(copied[i]->GetChildCount(), original[i]->GetChildCount());
  }
  scoped_refptr<reference_host::BillStageGroupImpl> stages =
      reference_host::CopyBillStages(*project->bill_stages(), "src:");
  ASSERT_EQ(stages->GetBillStageCount(), project->bill_stages()->GetBillStageCount());
  EXPECT_EQ(stages->GetBillStage(0)->GetName(), project->bill_stages()->GetBillStage(0)->GetName());
  EXPECT_EQ(stages->GetBillStage(0)->GetId(),
            "src:" + project->bill_stages()->GetBillStage(0)->GetId());
}

}  // namespace
