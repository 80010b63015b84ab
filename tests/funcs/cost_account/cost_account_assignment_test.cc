// Assigning a cost account to table rows and contract-level resources, and
// the undoable action around both workers.
#include <functional>

#include "actions/qrv_set_cost_account_action.h"
#include "funcs/cost_account/qrv_res_item_func.h"
#include "funcs/cost_account/qrv_table_func.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::QRVResItemFunc;
using marrow::qrv::QRVSetCostAccountSetviceAction;
using marrow::qrv::QRVTableFunc;
using reference_host::keys::kCostAccount;

// Accounts Civil(01){Steel(0101), Works(0102)}, Plant(02); contract entries
// e1..e3; and the row tree (carried accounts in brackets)
//   r1 [ca-civil]
//     r2 [ca-plant]
//       r3
//         r4 [ca-steel]
//           r5 [ca-works]
//         r6
//       r7 [ca-steel]
//   r8 [ca-civil]
std::unique_ptr<reference_host::AppDocumentImpl> BuildDocument() {
  return DocumentBuilder("p")
      .CostAccount("ca-civil", "01", "Civil")
      .CostAccount("ca-steel", "0101", "Steel", "ca-civil")
      .CostAccount("ca-works", "0102", "Works", "ca-civil")
      .CostAccount("ca-plant", "02", "Plant")
      .ContractGroup("g1", "MaterialForm")
      .ContractEntry("e1", "M01")
      .WithCostAccount("ca-civil")
      .ContractEntry("e2", "M02")
      .ContractEntry("e3", "M03")
      .WithCostAccount("ca-plant")
      .Table("t1", "Costs")
      .Row("r1")
      .WithCostAccount("ca-civil")
      .Row("r2", "r1")
      .WithCostAccount("ca-plant")
      .Row("r3", "r2")
      .Row("r4", "r3")
      .WithCostAccount("ca-steel")
      .Row("r5", "r4")
      .WithCostAccount("ca-works")
      .Row("r6", "r3")
      .Row("r7", "r2")
      .WithCostAccount("ca-steel")
      .Row("r8")
      .WithCostAccount("ca-civil")
      .Build();
}

class AssignmentTest : public DocumentTest {
 protected:
  AssignmentTest() { doc_ = BuildDocument(); }
  void SetField(const std::string& id, const engine::FieldValue& value) {
    Object(id)->GetFieldContainer()->SetFieldValue(kCostAccount, value, true);
  }
  Texts Rows() const { return Carried(Objects({"r1", "r2", "r3", "r4", "r5", "r6", "r7", "r8"})); }
  Texts Entries() const { return Carried(Objects({"e1", "e2", "e3"})); }
  std::string AccountOf(const std::string& entry_id) const {
    return doc_->Find<engine::qrv::QRVBaseResItem>(entry_id)->GetCostAccount();
  }

  const Texts initial_rows_{{"r1", "ca-civil"}, {"r2", "ca-plant"}, {"r4", "ca-steel"},
                            {"r5", "ca-works"}, {"r7", "ca-steel"}, {"r8", "ca-civil"}};
  const Texts initial_entries_{{"e1", "ca-civil"}, {"e3", "ca-plant"}};
};

TEST_F(AssignmentTest, RowIsRecordedOnlyWhenItCarriedTheField) {
  const std::pair<engine::FieldValue, const char*> former[] = {
      {engine::FieldValue("ca-plant"), "ca-plant"},
      {engine::FieldValue(""), ""},
      {engine::FieldValue(7.5), ""},  // not text: reads as empty
  };
  for (const auto& [value, recorded] : former) {
    doc_ = BuildDocument();
    SetField("r6", value);
    QRVTableFunc func;
    func.SetCostAccount(Objects({"r6"}), "ca-works");
    EXPECT_EQ(ById(func.GetData()),
              (Texts{{"r1", "ca-civil"}, {"r2", "ca-plant"}, {"r6", recorded}}));
    EXPECT_EQ(Rows(), (Texts{{"r4", "ca-steel"},
                             {"r5", "ca-works"},
                             {"r6", "ca-works"},
                             {"r7", "ca-steel"},
                             {"r8", "ca-civil"}}));
  }
}

TEST_F(AssignmentTest, RowWithoutAUsableTreeIsSkippedAndTheRestGoOn) {
  // A table taken out of its project reaches no cost account tree.
  auto loose =
      DocumentBuilder("q").Table("t2", "Loose").Row("y1").WithCostAccount("ca-civil").Build();
  engine::DocumentObject* y1 = loose->FindObjectById("y1");
  scoped_refptr<reference_host::TableImpl> held =
      loose->project()->RemoveTable(loose->Find<reference_host::TableImpl>("t2"));
  // A row of another project resolves the path against that project's tree.
  auto other = DocumentBuilder("o")
                   .CostAccount("their-plant", "02", "Plant")
                   .Table("t3", "Theirs")
                   .Row("z1")
                   .Build();

  QRVTableFunc func;
  func.SetCostAccount({Object("r8"), y1, other->FindObjectById("z1"), Object("r6")}, "Plant");
  EXPECT_EQ(Rows(), (Texts{{"r4", "ca-steel"},
                           {"r5", "ca-works"},
                           {"r6", "ca-plant"},
                           {"r7", "ca-steel"},
                           {"r8", "ca-plant"}}));
  EXPECT_EQ(Carried({y1}), (Texts{{"y1", "ca-civil"}}));
  EXPECT_EQ(Carried({other->FindObjectById("z1")}), (Texts{{"z1", "their-plant"}}));
  EXPECT_EQ(ById(func.GetData()),
            (Texts{{"r1", "ca-civil"}, {"r2", "ca-plant"}, {"r8", "ca-civil"}}));
}

TEST_F(AssignmentTest, ResourcesTakeAPathOrAnIdAndAreAlwaysRecorded) {
  struct Case {
    const char* value;
    Texts entries;
    Texts record;
  };
  const Texts all_recorded{{"e1", "ca-civil"}, {"e2", ""}, {"e3", "ca-plant"}};
  const Case cases[] = {
      {"Civil/Works", {{"e1", "ca-works"}, {"e2", "ca-works"}, {"e3", "ca-works"}}, all_recorded},
      {"ca-works", {{"e1", "ca-works"}, {"e2", "ca-works"}, {"e3", "ca-works"}}, all_recorded},
      {"", {}, all_recorded},  // clears every entry
      {"Works", initial_entries_, {}},
      {"0102", initial_entries_, {}},
  };
  for (const Case& c : cases) {
    doc_ = BuildDocument();
    QRVResItemFunc func;
    func.SetCostAccount(Objects({"e1", "e2", "e3"}), c.value);
    EXPECT_EQ(Entries(), c.entries) << c.value;
    EXPECT_EQ(ById(func.GetData()), c.record) << c.value;
  }
}

TEST_F(AssignmentTest, ResourceWithoutAUsableTreeEndsTheRun) {
  auto loose =
      DocumentBuilder("q").ContractGroup("g2", "MaterialForm").ContractEntry("f1", "M09").Build();
  engine::DocumentObject* f1 = loose->FindObjectById("f1");
  scoped_refptr<reference_host::BaseResItemGroupImpl> held =
      loose->project()->RemoveBaseResItemGroup(
          loose->Find<reference_host::BaseResItemGroupImpl>("g2"));

  QRVResItemFunc func;
  func.SetCostAccount({Object("e1"), f1, Object("e2"), Object("e3")}, "Plant");
  EXPECT_EQ(Entries(), (Texts{{"e1", "ca-plant"}, {"e3", "ca-plant"}}));
  EXPECT_EQ(AccountOf("e2"), "");
  EXPECT_EQ(dynamic_cast<engine::qrv::QRVBaseResItem*>(f1)->GetCostAccount(), "");
  EXPECT_EQ(ById(func.GetData()), (Texts{{"e1", "ca-civil"}}));
}

class SetCostAccountActionTest : public AssignmentTest {
 protected:
  void Push(const std::vector<std::string>& ids, const std::string& value) {
    stack_.Push(new QRVSetCostAccountSetviceAction(Objects(ids), value), "assign " + value);
  }
  reference_host::UndoStack stack_{doc_.get()};
};

TEST_F(SetCostAccountActionTest, ResourcesGoBackOnUndoAndForwardOnRedo) {
  Push({"e1", "e2", "e3"}, "Civil/Steel");
  const Texts assigned{{"e1", "ca-steel"}, {"e2", "ca-steel"}, {"e3", "ca-steel"}};
  EXPECT_EQ(Entries(), assigned);
  for (int round = 0; round < 2; ++round) {
    stack_.Undo();
    EXPECT_EQ(Entries(), initial_entries_) << round;  // e2's empty id clears it again
    stack_.Redo();
    EXPECT_EQ(Entries(), assigned) << round;
  }
}

TEST_F(SetCostAccountActionTest, RecordedIdThatIsNoLongerValidIsNotPutBack) {
  doc_->Find<engine::qrv::QRVBaseResItem>("e1")->SetCostAccount("gone");
  Push({"e1", "e3"}, "ca-works");
  stack_.Undo();
  EXPECT_EQ(AccountOf("e1"), "ca-works");
  EXPECT_EQ(AccountOf("e3"), "ca-plant");
}

TEST_F(SetCostAccountActionTest, RowUndoReplaysEachRecordedRowThroughTheSameAssignment) {
  Push({"r6"}, "Civil/Works");
  EXPECT_EQ(Rows(), (Texts{{"r4", "ca-steel"},
                           {"r5", "ca-works"},
                           {"r6", "ca-works"},
                           {"r7", "ca-steel"},
                           {"r8", "ca-civil"}}));
  // r1 and r2 were recorded (this tree holds two accounts on one branch);
  // each replay clears the other's branch again. Deepest first, so r1 is
  // replayed last and holds it, and r4, r5 and r7, never recorded, are
  // cleared on the way.
  stack_.Undo();
  EXPECT_EQ(Rows(), (Texts{{"r1", "ca-civil"}, {"r8", "ca-civil"}}));
}

// Two rows of one branch booked in one operation, as in the office example:
// "daywork" holds Daywork, its child "extra" holds nothing. Whichever is
// given first, undo gives daywork its account back and leaves extra empty.
class BranchUndoTest : public DocumentTest,
                       public testing::WithParamInterface<std::vector<std::string>> {
 protected:
  BranchUndoTest() {
    doc_ = DocumentBuilder("p")
               .CostAccount("ca-04", "04", "Other costs")
               .CostAccount("ca-0401", "0401", "Provisional sums", "ca-04")
               .CostAccount("ca-0402", "0402", "Daywork", "ca-04")
               .Table("t", "Other items")
               .Row("other")
               .WithCostAccount("ca-04")
               .Row("daywork")
               .WithCostAccount("ca-0402")
               .Row("extra", "daywork")
               .Build();
  }
  Texts Rows() const { return Carried(Objects({"other", "daywork", "extra"})); }
};

TEST_P(BranchUndoTest, UndoGivesTheBranchBackWhateverTheOrder) {
  reference_host::UndoStack stack(doc_.get());
  const Texts before = Rows();
  stack.Push(new QRVSetCostAccountSetviceAction(Objects(GetParam()), "ca-0401"));
  // The row given last takes the branch.
  const Texts assigned = GetParam().front() == "extra"
                             ? Texts{{"other", "ca-04"}, {"daywork", "ca-0401"}}
                             : Texts{{"other", "ca-04"}, {"extra", "ca-0401"}};
  EXPECT_EQ(Rows(), assigned);
  stack.Undo();
  EXPECT_EQ(Rows(), before);
  stack.Redo();
  EXPECT_EQ(Rows(), assigned);
  stack.Undo();
  EXPECT_EQ(Rows(), before);
}

INSTANTIATE_TEST_SUITE_P(SelectionOrders, BranchUndoTest,
                         testing::Values(std::vector<std::string>{"extra", "daywork"},
                                         std::vector<std::string>{"daywork", "extra"}));

TEST_F(SetCostAccountActionTest, UndoOrderReplaysRowsTheWorkerWroteFirstDeepestFirst) {
  // r6 and r3 carry nothing: r6 is written, then recorded with that text when
  // r3's assignment clears it; r3 in turn records r1, r2 (before it) and r4,
  // r5 (below it).
  QRVTableFunc func;
  func.SetCostAccount(Objects({"r6", "r3"}), "ca-works");
  EXPECT_EQ(ById(func.GetData()), (Texts{{"r1", "ca-civil"},
                                         {"r2", "ca-plant"},
                                         {"r4", "ca-steel"},
                                         {"r5", "ca-works"},
                                         {"r6", "ca-works"}}));
  EXPECT_EQ(func.GetUndoOrder(), Objects({"r6", "r5", "r4", "r2", "r1"}));

  // The same selection over two calls of one worker orders the same way.
  const Texts once = ById(func.GetData());
  doc_ = BuildDocument();
  QRVTableFunc twice;
  twice.SetCostAccount(Objects({"r6"}), "ca-works");
  twice.SetCostAccount(Objects({"r3"}), "ca-works");
  EXPECT_EQ(ById(twice.GetData()), once);
  EXPECT_EQ(twice.GetUndoOrder(), Objects({"r6", "r5", "r4", "r2", "r1"}));
}

TEST_F(SetCostAccountActionTest, EachRedoRebuildsTheRecord) {
  engine::FieldContainer* r8 = Object("r8")->GetFieldContainer();
  Push({"r8"}, "Plant");
  stack_.Undo();
  EXPECT_EQ(Carried({Object("r8")}), (Texts{{"r8", "ca-civil"}}));
  // Changed outside the action between undo and redo.
  r8->SetFieldValue(kCostAccount, engine::FieldValue("ca-works"), true);
  stack_.Redo();
  stack_.Undo();
  EXPECT_EQ(Carried({Object("r8")}), (Texts{{"r8", "ca-works"}}));
  // Without the field at redo, nothing is recorded, so nothing is put back.
  r8->RemoveField(kCostAccount, true);
  stack_.Redo();
  stack_.Undo();
  EXPECT_EQ(Carried({Object("r8")}), (Texts{{"r8", "ca-plant"}}));

  // Resources the same way.
  Push({"e1"}, "Civil/Works");
  stack_.Undo();
  doc_->Find<engine::qrv::QRVBaseResItem>("e1")->SetCostAccount("ca-plant");
  stack_.Redo();
  stack_.Undo();
  EXPECT_EQ(AccountOf("e1"), "ca-plant");
}

TEST_F(SetCostAccountActionTest, SelectionsTheActionDoesNotHandleChangeNothing) {
  const std::vector<std::vector<std::string>> selections = {
      {},
      {"t1", "r3"},        // a table is neither a row nor a resource
      {"ca-civil", "e1"},  // nor is an account
      {"g1", "e1", "r3"},
  };
  for (const auto& ids : selections) {
    Push(ids, "Plant");
    EXPECT_EQ(Rows(), initial_rows_);
    EXPECT_EQ(Entries(), initial_entries_);
    stack_.Undo();
    EXPECT_EQ(Rows(), initial_rows_);
    EXPECT_EQ(Entries(), initial_entries_);
  }
}

TEST_F(SetCostAccountActionTest, FirstObjectDecidesTheKindAndOthersAreSkipped) {
  Push({"r3", "e1", "r8"}, "Plant");
  EXPECT_EQ(Rows(), (Texts{{"r3", "ca-plant"}, {"r7", "ca-steel"}, {"r8", "ca-plant"}}));
  EXPECT_EQ(Entries(), initial_entries_);
  stack_.Undo();
  Push({"e2", "r8", "e3"}, "Civil/Steel");
  EXPECT_EQ(Entries(), (Texts{{"e1", "ca-civil"}, {"e2", "ca-steel"}, {"e3", "ca-steel"}}));
  EXPECT_EQ(Carried({Object("r8")}), (Texts{{"r8", "ca-civil"}}));
  stack_.Undo();
  EXPECT_EQ(Entries(), initial_entries_);
}

}  // namespace
