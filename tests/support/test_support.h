// What every test needs, in one place: the test frameworks, the reference
// host's builder and model, the bent host objects, failing factories, a
// recalculation counter, log capture, readers of quantities, record lists
// and assignment outcomes, and one fixture around a built document.
#pragma once

#include <glog/logging.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "beans/qrv_resitem.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"
#include "reference_host/app/undo_stack.h"
#include "reference_host/builder/document_builder.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/bent_host.h"
#include "tests/support/failing_factories.h"
#include "tests/support/recalculation_counter.h"

namespace test_support {

using reference_host::DocumentBuilder;
using reference_host::ResItemImpl;
using testing::ElementsAre;
using testing::IsEmpty;
using Texts = std::map<std::string, std::string>;

// glog lines written while it lives, for exact-text assertions.
class LogCapture : public google::LogSink {
 public:
  LogCapture() { google::AddLogSink(this); }
  ~LogCapture() override { google::RemoveLogSink(this); }

  using google::LogSink::send;
  void send(google::LogSeverity severity, const char*, const char*, int,
            const google::LogMessageTime&, const char* message, size_t length) override {
    std::lock_guard<std::mutex> hold(lock_);
    lines_.push_back({severity, std::string(message, length)});
  }
  std::vector<std::string> Messages(google::LogSeverity severity) const {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::string> out;
    for (const auto& [line_severity, text] : lines_)
      if (line_severity == severity) out.push_back(text);
    return out;
  }
  std::vector<std::string> warnings() const { return Messages(google::GLOG_WARNING); }

 private:
  mutable std::mutex lock_;
  std::vector<std::pair<google::LogSeverity, std::string>> lines_;
};

inline marrow::qrv::QRVResItemBean ViewOf(engine::ResItem* item) {
  return marrow::qrv::QRVResItemBean(item);
}

// The item's quantity, NaN when it has none.
inline double Quantity(const engine::ResItem* item) {
  double quantity = 0.0;
  if (!item || !item->GetQuantity(quantity)) return std::numeric_limits<double>::quiet_NaN();
  return quantity;
}

// The copies listed by the item's templete or object record, in list order.
inline std::vector<engine::ResItem*> ListedCopies(const engine::qrv::QRVResItem* item) {
  std::vector<engine::ResItem*> copies;
  engine::qrv::QRVResCollect* record = item ? item->GetCollect() : nullptr;
  if (auto* templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(record))
    templete->GetCopies(copies);
  else if (auto* obj = dynamic_cast<engine::qrv::QRVResCollectObj*>(record))
    obj->GetCopies(copies);
  return copies;
}

inline std::vector<double> ListedQuantities(const engine::qrv::QRVResItem* item) {
  std::vector<double> quantities;
  for (engine::ResItem* copy : ListedCopies(item)) quantities.push_back(Quantity(copy));
  return quantities;
}

inline engine::qrv::QRVResCollectCopy* CopyRecord(engine::ResItem* copy) {
  auto* facet = dynamic_cast<engine::qrv::QRVResItem*>(copy);
  return facet ? dynamic_cast<engine::qrv::QRVResCollectCopy*>(facet->GetCollect()) : nullptr;
}

inline int CollectType(const ResItemImpl* item) {
  engine::qrv::QRVResCollect* record = item->GetCollect();
  return record ? record->GetCollectType() : 0;
}

// An assignment worker's record keyed by id instead of address.
inline Texts ById(const std::map<engine::DocumentObject*, std::string>& record) {
  Texts out;
  for (const auto& [object, text] : record) out.emplace(object->GetId(), text);
  return out;
}

// "QRV_CostAccount" of each object that carries it, by id; a value that is
// not text shows as "<other>".
inline Texts Carried(const std::vector<engine::DocumentObject*>& objects) {
  Texts out;
  for (engine::DocumentObject* object : objects) {
    engine::FieldValue value;
    if (!object->GetFieldContainer()->GetFieldValue(reference_host::keys::kCostAccount, value))
      continue;
    out.emplace(object->GetId(), value.IsText() ? value.GetString() : "<other>");
  }
  return out;
}

// A self-lease contract entry "e1" (type J, account ca1) with cost lines
// "cb1", "cb2", and a budget line "ys1" of 10 with 4 collected into cb1 as
// "copy1".
inline std::unique_ptr<reference_host::AppDocumentImpl> CollectedDocument() {
  return DocumentBuilder("p")
      .ContractGroup("g1", "SelfLeaseMachineForm")
      .ContractEntry("e1", "M01", "Crane")
      .WithResType("J")
      .WithCostAccount("ca1")
      .SubProject("sp1", "Building")
      .Bill("b1", 10)
      .BudgetLine("ys1", 10, "C001")
      .WithName("Cement")
      .WithUnit("t")
      .WithYSCostAccount("ca2")
      .WithSourceRef("quota-7")
      .CostLine("cb1", "e1")
      .CostLine("cb2", "e1")
      .Collect("ys1", "cb1", 4, "copy1")
      .Build();
}

// A fixture whose constructor adds to builder_ and whose tests call Build.
class DocumentTest : public testing::Test {
 protected:
  void Build() { doc_ = builder_.Build(); }
  ResItemImpl* Item(const std::string& id) const { return doc_->Find<ResItemImpl>(id); }
  engine::qrv::QRVResItem* Cost(const std::string& id) const { return Item(id); }
  reference_host::BaseResItemImpl* Entry(const std::string& id) const {
    return doc_->Find<reference_host::BaseResItemImpl>(id);
  }
  reference_host::SubEngineeringImpl* Bill(const std::string& id) const {
    return doc_->Find<reference_host::SubEngineeringImpl>(id);
  }
  marrow::qrv::QRVResItemBean View(const std::string& id) const { return ViewOf(Item(id)); }
  double Allowed(const std::string& id) const { return View(id).GetResItemCollectAllowQuantity(); }
  engine::DocumentObject* Object(const std::string& id) const {
    engine::DocumentObject* object = doc_->FindObjectById(id);
    EXPECT_NE(object, nullptr) << id;
    return object;
  }
  std::vector<engine::DocumentObject*> Objects(const std::vector<std::string>& ids) const {
    std::vector<engine::DocumentObject*> out;
    for (const std::string& id : ids) out.push_back(Object(id));
    return out;
  }
  std::vector<engine::qrv::QRVResItem*> Costs(const std::vector<std::string>& ids) const {
    std::vector<engine::qrv::QRVResItem*> out;
    for (const std::string& id : ids) out.push_back(Cost(id));
    return out;
  }
  void RemoveBudgetLine(const std::string& bill, const std::string& id) {
    Bill(bill)->budget_list()->Remove(Item(id));
  }
  // Ids of the lines an entry lists, and of a form's entries in order.
  std::vector<std::string> Attached(const engine::qrv::QRVBaseResItem* entry) const {
    return dynamic_cast<const reference_host::BaseResItemImpl*>(entry)->registered_res_item_ids();
  }
  std::vector<std::string> Order(const std::string& group_id) const {
    std::vector<std::string> ids;
    auto* group = doc_->Find<reference_host::BaseResItemGroupImpl>(group_id);
    for (int i = 0; i < group->GetCount(); ++i) ids.push_back(group->GetAt(i)->GetId());
    return ids;
  }
  std::string Saved() const { return reference_host::SaveDocumentText(*doc_->document()); }

  DocumentBuilder builder_{"p"};
  std::unique_ptr<reference_host::AppDocumentImpl> doc_;
};

// Names parameterised cases by their |name| member (each case struct also
// gets a one-line PrintTo, so listings show the name, not raw bytes).
struct CaseName {
  template <class Param>
  std::string operator()(const testing::TestParamInfo<Param>& info) const {
    return info.param.name;
  }
};

}  // namespace test_support
