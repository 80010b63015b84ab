// A fluent builder of estimate documents, for tests, the demo and generated
// benchmark documents, so that set-up reads like the scenario:
//
//   auto doc = reference_host::DocumentBuilder("p1")
//       .CostAccount("ca1", "01", "Civil")
//       .CostAccount("ca2", "0101", "Steel", "ca1")
//       .ContractGroup("g1", "SelfLeaseMachineForm")
//         .ContractEntry("e1", "M01", "Crane").WithCostAccount("ca2")
//       .SubProject("sp1", "Building")
//         .Bill("b1", 10)
//           .BudgetLine("ys1", 5, "C001").WithName("Cement").WithYSCostAccount("ca1")
//           .CostLine("cb1", "e1")
//       .Build();
//
// A bill tree with a root node (node kind 0), as resource detail needs:
//   .SubEngineering("tree", 0, 0, 0).Bill("b1", 10, "tree").BudgetLine(...)
//   engine::ResItem* ys1 = doc->Find<engine::ResItem>("ys1");
//
// Every creating call makes the new object the current one; the With...
// calls change the current object. Containers are the latest of their kind
// (sub-project, bill item, contract group, table) unless Select picks
// another. Misuse (unknown or repeated id, a With... that does not apply)
// throws std::invalid_argument naming the call and the id.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "host/engine/field_value.h"
#include "host/engine/sub_engineering.h"
#include "host/engine/sub_project.h"
#include "reference_host/app/app_document_impl.h"
#include "reference_host/model/estimate_document.h"

namespace reference_host {

class BaseResItemGroupImpl;
class BaseResItemImpl;
class DocumentObjectImpl;
class ProjectImpl;
class ResCollectCopyImpl;
class ResItemImpl;
class ResSummaryImpl;
class SubEngineeringImpl;
class SubProjectImpl;
class TableImpl;
class TupleImpl;

class DocumentBuilder {
 public:
  // The project's root sub-project ("<project_id>/root", a whole project)
  // exists from the start; Root replaces it.
  explicit DocumentBuilder(const std::string& project_id = "project",
                           const std::string& project_name = "Project");
  DocumentBuilder(const DocumentBuilder&) = delete;
  DocumentBuilder& operator=(const DocumentBuilder&) = delete;
  ~DocumentBuilder();

  // Project level.
  DocumentBuilder& CostAccount(const std::string& id, const std::string& code,
                               const std::string& name, const std::string& parent_id = "");
  DocumentBuilder& BillStage(const std::string& id, const std::string& name);
  DocumentBuilder& ContractGroup(const std::string& id, const std::string& form_name);
  // A contract group of the current sub-project (its grouped item set);
  // ContractEntry adds to it like to any contract group.
  DocumentBuilder& LocalGroup(const std::string& id, const std::string& form_name);
  // An entry of the current contract group.
  DocumentBuilder& ContractEntry(const std::string& id, const std::string& code,
                                 const std::string& name = "");
  DocumentBuilder& Table(const std::string& id, const std::string& name);
  // A row of the current table: top-level, or under |parent_row_id|.
  DocumentBuilder& Row(const std::string& id, const std::string& parent_row_id = "");

  // Sub-projects. |parent_id| "" puts it under the root.
  DocumentBuilder& Root(const std::string& id, const std::string& name = "",
                        int kind = engine::kSubProjectWhole);
  DocumentBuilder& SubProject(const std::string& id, const std::string& name,
                              int kind = engine::kSubProjectUnit,
                              const std::string& parent_id = "");
  // A budget-side entry in the current sub-project's summary.
  DocumentBuilder& BudgetEntry(const std::string& id, const std::string& code,
                               const std::string& name = "");

  // Bill items. A bill (node kind 2) on top of the current sub-project's
  // measure tree, or under the bill item |parent_id|.
  DocumentBuilder& Bill(const std::string& id, double quantity, const std::string& parent_id = "");
  // An entry (node kind 3 or 4) under the current bill item.
  DocumentBuilder& BillEntry(const std::string& id, double quantity,
                             int node_kind = engine::kNodeKindEntry);
  // Any kind: a measure item, say. |parent_id| "" puts it on top.
  DocumentBuilder& SubEngineering(const std::string& id, int node_kind, int measure_kind,
                                  double quantity, const std::string& parent_id = "");
  // Budget line of the current bill item pointing to the entry with |code|
  // in the current sub-project's summary (created, with id
  // "<sub-project id>:<code>", when there is none). The line mirrors the
  // entry's code, name, unit, type and price fields.
  DocumentBuilder& BudgetLine(const std::string& id, double quantity, const std::string& code);
  // Cost line of the current bill item pointing to contract entry
  // |entry_id| and registered with it.
  DocumentBuilder& CostLine(const std::string& id, const std::string& entry_id,
                            double quantity = 0);
  // Fee figures of the current bill item for one resource kind.
  DocumentBuilder& Fee(const std::string& kind, double unit_cost, double total_cost);

  // Cost tables of the current sub-project that a project merge carries.
  // A measure-tree root (node kind 0): unit-price, lump-sum or JJFY.
  DocumentBuilder& DJCSRoot(const std::string& id);
  DocumentBuilder& ZJCSRoot(const std::string& id);
  DocumentBuilder& JJFYRoot(const std::string& id);
  // A bill item (node kind 2) with code and name under bill item |parent_id|.
  DocumentBuilder& MeasureItem(const std::string& id, const std::string& code,
                               const std::string& name, const std::string& parent_id);
  // Tables of the current sub-project; each becomes the current table, so
  // Row adds to it. |number| of an other-items table is 1 to 5.
  DocumentBuilder& ZJCSDetailTable(const std::string& id);
  DocumentBuilder& JJFYTable(const std::string& id);
  DocumentBuilder& QTXMTable(int number, const std::string& id);
  // The fee store's summary table "Fee", and a top-level row of it.
  DocumentBuilder& FeeTable(const std::string& id);
  DocumentBuilder& FeeRow(const std::string& id, const std::string& code,
                          const std::string& calculation_base, double rate, double amount);
  // Members of the current sub-project's item sets (each set made when
  // absent); EmptyItemSets makes all three without members.
  DocumentBuilder& MovableItem(const std::string& id);
  DocumentBuilder& ProductItem(const std::string& id);
  DocumentBuilder& MovableRecord(const std::string& id);
  DocumentBuilder& EmptyItemSets();
  // The key of the current row; the total expression of the current table.
  DocumentBuilder& WithRowKey(const std::string& key);
  DocumentBuilder& WithExpression(const std::string& expression);

  // Host-level states, set up without the library.
  // Cost line |cost_id| represents budget line |budget_id| by a link.
  DocumentBuilder& Link(const std::string& cost_id, const std::string& budget_id);
  // A part of |quantity| of budget line |budget_id| collected into cost line
  // |cost_id|, as a copy item with id |copy_id| ("" for a random one).
  DocumentBuilder& Collect(const std::string& budget_id, const std::string& cost_id,
                           double quantity, const std::string& copy_id = "");

  // Makes an existing object current (and its container for what follows).
  DocumentBuilder& Select(const std::string& id);

  // Changes to the current object.
  DocumentBuilder& WithName(const std::string& name);
  DocumentBuilder& WithCode(const std::string& code);
  DocumentBuilder& WithUnit(const std::string& unit);
  DocumentBuilder& WithPrice(double price);
  DocumentBuilder& WithResType(const std::string& type);
  DocumentBuilder& WithModel(const std::string& model);
  // "BRINumber" (an int field) of an entry; for a budget line, of its entry.
  DocumentBuilder& WithNumber(int number);
  // "BRIQuantity": a contract entry's contract quantity.
  DocumentBuilder& WithEntryQuantity(double quantity);
  // "QRV_SortText" of an entry.
  DocumentBuilder& WithSortText(const std::string& sort_text);
  // "QRV_IdentityItem" of a contract entry: the entry |identity_id| stands
  // for the same resource.
  DocumentBuilder& WithIdentity(const std::string& identity_id);
  // "QRV_CostAccount": an entry's account, or the field of a row, bill
  // item, line or sub-project (text as given, unchecked).
  DocumentBuilder& WithCostAccount(const std::string& account_id);
  // "QRV_YSCostAccount" of an entry; for a budget line, of its entry.
  DocumentBuilder& WithYSCostAccount(const std::string& account_id);
  DocumentBuilder& WithBillStage(const std::string& stage_id);
  DocumentBuilder& WithLeaseQuantity(const std::string& text);
  DocumentBuilder& WithQuantity(double quantity);
  // The line or bill item gives no quantity (GetQuantity answers false);
  // nor then do the copies collected from such a line.
  DocumentBuilder& WithoutQuantity();
  DocumentBuilder& WithMeasureKind(int measure_kind);
  DocumentBuilder& WithNodeKind(int node_kind);
  DocumentBuilder& WithContent(const std::string& content);
  DocumentBuilder& WithSourceRef(const std::string& source_ref);
  DocumentBuilder& WithField(const std::string& key, const engine::FieldValue& value);
  // The current bill item has no cost list / budget list / fee calculator.
  DocumentBuilder& WithoutCostList();
  DocumentBuilder& WithoutBudgetList();
  DocumentBuilder& WithoutFeeCalc();

  // Odd states a host reaches by edits, deletions or its own bugs, which the
  // library must survive. A saved document keeps the entry and record states;
  // the loader refuses the broken copies.
  // The current line points to no entry; a cost line also leaves the
  // registration of the entry it had.
  DocumentBuilder& WithoutEntry();
  // The current cost line is not registered with its entry.
  DocumentBuilder& WithoutRegistration();
  // The current line carries a record that lists nothing: a budget line a
  // templete record, a cost line an object record.
  DocumentBuilder& WithEmptyRecord();
  // The current copy (of Collect) stays listed by both records but carries
  // no copy record.
  DocumentBuilder& WithoutCopyRecord();
  // The current copy's record names no budget line (the copy then gives its
  // own quantity, the budget line's when it was made) / no cost line.
  DocumentBuilder& WithoutCopyBudgetLine();
  DocumentBuilder& WithoutCopyCostLine();

  // The document so far (owned by the builder until Build).
  EstimateDocument* document() const { return document_.get(); }
  ProjectImpl* project() const;
  DocumentObjectImpl* current() const { return current_; }

  // Hands the document over; the builder is spent afterwards.
  std::unique_ptr<AppDocumentImpl> Build();
  std::unique_ptr<PlainAppDocument> BuildPlain();
  std::unique_ptr<EstimateDocument> BuildDocument();

 private:
  template <class T>
  T* Need(const std::string& id, const char* call) const;
  void CheckFresh(const std::string& id, const char* call) const;
  [[noreturn]] void Fail(const char* call, const std::string& what) const;
  EstimateDocument& doc(const char* call) const;
  SubProjectImpl* CurrentSubProject() const;
  SubEngineeringImpl* CurrentBill(const char* call) const;
  BaseResItemImpl* BudgetEntryFor(ResSummaryImpl* summary, const std::string& code,
                                  const std::string& id, const std::string& name, const char* call);
  void AddBillItem(scoped_refptr<SubEngineeringImpl> item, const std::string& parent_id,
                   const char* call);
  // Budget line's entry when the current object is one, else null.
  BaseResItemImpl* CurrentLineEntry() const;
  // The current object as a line, a line of a bill list, a collected copy.
  ResItemImpl* CurrentLine(const char* call) const;
  ResItemImpl* CurrentListedLine(const char* call) const;
  ResCollectCopyImpl* CurrentCopyRecord(const char* call) const;
  DocumentBuilder& MeasureRoot(const std::string& id, int tree, const char* call);
  DocumentBuilder& KeyedTable(const std::string& id, int which, const char* call);
  DocumentBuilder& SetMember(const std::string& id, int kind, const char* call);
  void SetEntryField(const char* call, const std::string& key, const engine::FieldValue& value);

  std::unique_ptr<EstimateDocument> document_;
  DocumentObjectImpl* current_ = nullptr;
  SubProjectImpl* sub_project_ = nullptr;
  SubEngineeringImpl* bill_ = nullptr;
  BaseResItemGroupImpl* group_ = nullptr;
  TableImpl* table_ = nullptr;
  std::unordered_map<const ResSummaryImpl*, std::unordered_map<std::string, BaseResItemImpl*>>
      budget_entries_;
};

// Host-level collected part: a copy item of |budget| (quantity readable and
// not zero) holding |quantity|, listed by the templete record of |budget|
// and the object record of |cost| (made when absent), with a copy record
// naming both. Null, with nothing changed, when either carries a record of
// the other kind. An empty |copy_id| draws a random one.
ResItemImpl* AttachCollectedCopy(ResItemImpl* budget, ResItemImpl* cost, double quantity,
                                 const std::string& copy_id = "");

}  // namespace reference_host
