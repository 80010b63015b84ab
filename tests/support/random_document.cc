#include "tests/support/random_document.h"

#include <rapidcheck.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/table_impl.h"

namespace test_support {
namespace {

using reference_host::DocumentObjectImpl;

// True one time in |n|.
bool OneIn(int n) { return *rc::gen::inRange(0, n) == 0; }

int Count(int max) { return *rc::gen::inRange(0, max + 1); }

// Quantities are finite in any document a load accepts.
double DrawQuantity() {
  double quantity = DrawOddDouble();
  return std::isfinite(quantity) ? quantity : *rc::gen::element(-0.0, 1e300, -2.5);
}

template <class T>
T* Pick(const std::vector<T*>& from) {
  return from.empty() ? nullptr : from[*rc::gen::inRange<size_t>(0, from.size())];
}

class Drawer {
 public:
  std::unique_ptr<reference_host::AppDocumentImpl> Draw();

 private:
  // Unique: the counter is followed by the end or by '#'.
  std::string Id(const char* prefix) {
    std::string id = prefix + std::to_string(next_id_++);
    if (OneIn(8)) id += "#" + DrawOddText();
    return id;
  }
  void Fields(DocumentObjectImpl* object) {
    for (int i = Count(3); i > 0; --i)
      object->fields()->SetFieldValue(DrawOddText(), DrawFieldValue(), true);
  }
  scoped_refptr<reference_host::BaseResItemImpl> Entry();
  void SubProject(reference_host::SubProjectImpl* sub_project);
  void BillItem(reference_host::SubEngineeringImpl* item);
  scoped_refptr<reference_host::ResItemImpl> Line(bool budget);
  void Collect();

  int next_id_ = 0;
  reference_host::EstimateDocument* document_ = nullptr;
  std::vector<reference_host::BaseResItemImpl*> budget_entries_;
  std::vector<reference_host::BaseResItemImpl*> contract_entries_;
  std::vector<reference_host::ResItemImpl*> budget_lines_;
  std::vector<reference_host::ResItemImpl*> cost_lines_;
  std::vector<scoped_refptr<reference_host::BaseResItemImpl>> detached_;
};

scoped_refptr<reference_host::BaseResItemImpl> Drawer::Entry() {
  scoped_refptr<reference_host::BaseResItemImpl> entry(
      new reference_host::BaseResItemImpl(Id("entry")));
  Fields(entry.get());
  if (OneIn(3)) entry->SetLeaseQuantityText(DrawOddText());
  if (OneIn(4)) entry->set_registered_quantity(DrawOddDouble());
  return entry;
}

std::unique_ptr<reference_host::AppDocumentImpl> Drawer::Draw() {
  auto document = std::make_unique<reference_host::EstimateDocument>();
  document_ = document.get();
  scoped_refptr<reference_host::ProjectImpl> project(
      new reference_host::ProjectImpl(Id("project"), DrawOddText(), Id("accounts"), Id("stages")));
  document_->SetProject(project);
  Fields(project.get());
  Fields(project->cost_accounts());

  std::vector<reference_host::CostAccountImpl*> accounts;
  for (int i = Count(6); i > 0; --i) {
    scoped_refptr<reference_host::CostAccountImpl> account(
        new reference_host::CostAccountImpl(Id("ca"), DrawOddText(), DrawOddText()));
    Fields(account.get());
    reference_host::CostAccountImpl* parent = OneIn(2) ? Pick(accounts) : nullptr;
    if (parent)
      parent->AddChild(account);
    else
      project->cost_accounts()->AddCostAccount(account);
    accounts.push_back(account.get());
  }
  for (int i = Count(3); i > 0; --i) {
    scoped_refptr<reference_host::BillStageImpl> stage(
        new reference_host::BillStageImpl(Id("stage"), DrawOddText()));
    Fields(stage.get());
    project->bill_stages()->AddBillStage(stage);
  }
  for (int i = Count(2); i > 0; --i) {
    scoped_refptr<reference_host::BaseResItemGroupImpl> group(
        new reference_host::BaseResItemGroupImpl(Id("group"), DrawOddText()));
    Fields(group.get());
    for (int j = Count(3); j > 0; --j) {
      scoped_refptr<reference_host::BaseResItemImpl> entry = Entry();
      group->Add(entry);
      contract_entries_.push_back(entry.get());
    }
    project->AddBaseResItemGroup(group);
  }
  for (int i = Count(2); i > 0; --i) {
    scoped_refptr<reference_host::TableImpl> table(
        new reference_host::TableImpl(Id("table"), DrawOddText()));
    Fields(table.get());
    std::vector<reference_host::TupleImpl*> rows;
    for (int j = Count(4); j > 0; --j) {
      scoped_refptr<reference_host::TupleImpl> row(new reference_host::TupleImpl(Id("row")));
      Fields(row.get());
      reference_host::TupleImpl* parent = OneIn(2) ? Pick(rows) : nullptr;
      if (parent)
        parent->AddChild(row);
      else
        table->AddRow(row);
      rows.push_back(row.get());
    }
    project->AddTable(table);
  }

  if (!OneIn(10)) {
    scoped_refptr<reference_host::SubProjectImpl> root(new reference_host::SubProjectImpl(
        Id("sp"), *rc::gen::inRange(1, 4), DrawOddText(), Id("summary")));
    project->SetRootSubProject(root);
    std::vector<reference_host::SubProjectImpl*> sub_projects{root.get()};
    for (int i = Count(3); i > 0; --i) {
      scoped_refptr<reference_host::SubProjectImpl> child(new reference_host::SubProjectImpl(
          Id("sp"), *rc::gen::inRange(1, 4), DrawOddText(), Id("summary")));
      Pick(sub_projects)->AddChild(child);
      sub_projects.push_back(child.get());
    }
    for (reference_host::SubProjectImpl* sub_project : sub_projects) SubProject(sub_project);
  }

  for (reference_host::ResItemImpl* cost : cost_lines_) {
    for (int i = Count(2); i > 0; --i) {
      reference_host::ResItemImpl* budget = Pick(budget_lines_);
      cost->AddLinkedId(budget && !OneIn(5) ? budget->GetId() : Id("gone"));
    }
  }
  for (reference_host::BaseResItemImpl* entry : contract_entries_) {
    for (int i = Count(2); i > 0; --i) {
      reference_host::ResItemImpl* cost = Pick(cost_lines_);
      entry->AddRegisteredId(cost && !OneIn(5) ? cost->GetId() : Id("gone"));
    }
  }
  for (int i = Count(4); i > 0; --i) Collect();
  return std::make_unique<reference_host::AppDocumentImpl>(std::move(document));
}

void Drawer::SubProject(reference_host::SubProjectImpl* sub_project) {
  Fields(sub_project);
  Fields(sub_project->summary());
  for (int i = Count(2); i > 0; --i) {
    scoped_refptr<reference_host::BaseResItemImpl> entry = Entry();
    sub_project->summary()->Add(entry);
    budget_entries_.push_back(entry.get());
  }
  std::vector<reference_host::SubEngineeringImpl*> items;
  for (int i = Count(3); i > 0; --i) {
    scoped_refptr<reference_host::SubEngineeringImpl> item(new reference_host::SubEngineeringImpl(
        Id("bill"), *rc::gen::inRange(0, 5), *rc::gen::element(0, 3, 5, 16)));
    reference_host::SubEngineeringImpl* parent = OneIn(2) ? Pick(items) : nullptr;
    if (parent)
      parent->AddChild(item);
    else
      sub_project->AddSubEngineering(item);
    items.push_back(item.get());
    BillItem(item.get());
  }
}

void Drawer::BillItem(reference_host::SubEngineeringImpl* item) {
  Fields(item);
  if (OneIn(4))
    item->ClearQuantity();
  else
    item->SetQuantity(DrawQuantity());
  if (OneIn(5)) {
    item->SetHasFeeCalc(false);
  } else {
    for (int i = Count(2); i > 0; --i) item->fee_calc()->SetFeeCost(DrawOddText(), DrawOddDouble());
    for (int i = Count(2); i > 0; --i)
      item->fee_calc()->SetFeeTotalCost(DrawOddText(), DrawOddDouble());
  }
  if (OneIn(6)) {
    item->SetHasBudgetList(false);
  } else {
    for (int i = Count(3); i > 0; --i) {
      scoped_refptr<reference_host::ResItemImpl> line = Line(true);
      item->budget_list()->Add(line);
      budget_lines_.push_back(line.get());
    }
  }
  if (OneIn(6)) {
    item->SetHasCostList(false);
  } else {
    for (int i = Count(2); i > 0; --i) {
      scoped_refptr<reference_host::ResItemImpl> line = Line(false);
      item->cost_list()->Add(line);
      cost_lines_.push_back(line.get());
    }
  }
}

scoped_refptr<reference_host::ResItemImpl> Drawer::Line(bool budget) {
  scoped_refptr<reference_host::ResItemImpl> line(
      new reference_host::ResItemImpl(Id(budget ? "ys" : "cb")));
  Fields(line.get());
  if (OneIn(4))
    line->ClearQuantity();
  else
    line->SetQuantity(DrawQuantity());
  if (OneIn(12)) {
    // An entry that has left the document but that the line still holds.
    detached_.push_back(Entry());
    line->SetBaseResItem(detached_.back().get());
  } else if (!OneIn(4)) {
    line->SetBaseResItem(Pick(budget ? budget_entries_ : contract_entries_));
  }
  if (OneIn(3)) line->SetSourceRef(DrawOddText());
  if (OneIn(3)) line->SetContent(DrawOddText());
  if (OneIn(4)) line->set_collected_quantity(DrawOddDouble());
  return line;
}

void Drawer::Collect() {
  reference_host::ResItemImpl* budget = Pick(budget_lines_);
  reference_host::ResItemImpl* cost = Pick(cost_lines_);
  if (!budget || !cost) return;
  if (!budget->GetCollect()) {
    scoped_refptr<reference_host::ResCollectTempleteImpl> templete(
        new reference_host::ResCollectTempleteImpl());
    if (!OneIn(6)) templete->SetOwner(budget);
    budget->SetCollect(templete.get());
  }
  if (!cost->GetCollect()) {
    scoped_refptr<reference_host::ResCollectObjImpl> object(
        new reference_host::ResCollectObjImpl());
    // Now and then the owner is another object of the document.
    object->SetOwner(OneIn(6) ? static_cast<DocumentObjectImpl*>(budget) : cost);
    cost->SetCollect(object.get());
  }
  if (OneIn(5)) return;  // records without copies

  scoped_refptr<reference_host::ResItemImpl> copy(new reference_host::ResItemImpl(Id("copy")));
  copy->CopyFrom(budget);
  // A ratio, when there is one, is a finite share above 0.
  if (!OneIn(8))
    copy->fields()->SetDouble(reference_host::keys::kCollectRatio,
                              *rc::gen::element(0.25, 1.0, 1e-300, 2.5, 1e300));
  if (OneIn(4)) copy->SetQuantity(DrawQuantity());
  // Usually listed by both records; a half-released copy by one. A record
  // lists only copies whose copy record names its line; the other line may
  // have left the document.
  int listing = *rc::gen::inRange(0, 6);
  scoped_refptr<reference_host::ResCollectCopyImpl> record(
      new reference_host::ResCollectCopyImpl());
  if (listing != 1 || !OneIn(4)) record->SetTempleteResItem(budget);
  if (listing != 2 || !OneIn(4)) record->SetCBResItem(cost);
  if (!OneIn(8)) record->SetOwner(static_cast<engine::ResItem*>(copy.get()));
  copy->SetCollect(record.get());
  if (listing != 1)
    dynamic_cast<reference_host::ResCollectTempleteImpl*>(budget->GetCollect())
        ->AddCopy(copy.get());
  if (listing != 2)
    dynamic_cast<reference_host::ResCollectObjImpl*>(cost->GetCollect())->AddCopy(copy.get());
}

}  // namespace

std::string DrawOddText() {
  static const char* const kOdd[] = {
      "",           "水泥",    "a/b~c", "\xff\xfe", "\xed\xa0\x80", "\xc0\xaf", "\xf4\x90\x80\x80",
      "ok\xe6\xb0", "BRICode",
  };
  switch (*rc::gen::inRange(0, 4)) {
    case 0:
      return kOdd[*rc::gen::inRange<size_t>(0, sizeof(kOdd) / sizeof(kOdd[0]))];
    case 1:
      return std::string("\0lead", 5);
    default:
      return *rc::gen::container<std::string>(*rc::gen::inRange(0, 6), rc::gen::arbitrary<char>());
  }
}

double DrawOddDouble() {
  uint64_t payload_bits = 0x7ff0000000000001ULL;
  double payload_nan;
  std::memcpy(&payload_nan, &payload_bits, sizeof payload_nan);
  switch (*rc::gen::inRange(0, 10)) {
    case 0:
      return -0.0;
    case 1:
      return std::numeric_limits<double>::quiet_NaN();
    case 2:
      return *rc::gen::element(std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::quiet_NaN(), payload_nan);
    case 3:
      return *rc::gen::element(std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::denorm_min(), 0.1, 1e21, 5.0);
    default:
      return *rc::gen::arbitrary<double>();
  }
}

engine::FieldValue DrawFieldValue() {
  switch (*rc::gen::inRange(0, 5)) {
    case 0:
      return engine::FieldValue();
    case 1:
      return engine::FieldValue(*rc::gen::arbitrary<bool>());
    case 2:
      return engine::FieldValue(*rc::gen::arbitrary<int>());
    case 3:
      return engine::FieldValue(DrawOddDouble());
    default:
      return engine::FieldValue(DrawOddText());
  }
}

std::unique_ptr<reference_host::AppDocumentImpl> DrawRandomDocument() { return Drawer().Draw(); }

}  // namespace test_support
