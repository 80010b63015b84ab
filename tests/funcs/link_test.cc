// Linking budget lines to the cost line that represents them: the single and
// the group link with their per-unit content and lease quantities, and unlink.
#include <functional>

#include "funcs/qrv_link_cb_res_item.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::ResItemLinkToCB;
using testing::Contains;
using testing::Not;

// Bills of 10 (a line of 5), of 0 (a line of 5) and of 2 (lines of 3 and 4
// and a line "yc" with a collected part), and cost lines on a plain entry,
// a self-lease machine entry and a self-lease revolving material entry.
class LinkTest : public DocumentTest {
 protected:
  LinkTest() {
    builder_.ContractGroup("g", "MaterialForm")
        .ContractEntry("e", "C01", "Cement")
        .ContractGroup("lease", "SelfLeaseMachineForm")
        .ContractEntry("el", "M01", "Crane")
        .ContractGroup("rev", "SelfLeaseRevolvingMaterialsForm")
        .ContractEntry("er", "R01", "Formwork")
        .SubProject("sp1", "Building")
        .Bill("b10", 10)
        .BudgetLine("y5", 5, "R1")
        .CostLine("cb10", "e")
        .CostLine("cb10b", "e")
        .Bill("b0", 0)
        .BudgetLine("y0", 5, "R2")
        .CostLine("cb0", "e")
        .Bill("b2", 2)
        .BudgetLine("y3", 3, "R3")
        .BudgetLine("y4", 4, "R4")
        .BudgetLine("yc", 1, "R5")
        .CostLine("cbG", "e")
        .WithContent("before")
        .CostLine("cbM", "el")
        .CostLine("cbR", "er")
        .CostLine("cbT", "e")
        .Collect("yc", "cbT", 0.5);
  }
  // Resolves every line to |cost_id| ("" for none), recording what it was asked.
  ResItemLinkToCB::Resolver To(const std::string& cost_id) {
    return [this, cost_id](engine::ResItem* budget_item) -> engine::qrv::QRVResItem* {
      asked_.push_back(budget_item);
      return cost_id.empty() ? nullptr : Item(cost_id);
    };
  }
  std::vector<engine::ResItem*> Lines(const std::vector<std::string>& ids) const {
    std::vector<engine::ResItem*> lines;
    for (const std::string& id : ids) lines.push_back(id.empty() ? nullptr : Item(id));
    return lines;
  }

  ResItemLinkToCB link_;
  std::vector<engine::ResItem*> asked_;
  LogCapture log_;
};

TEST_F(LinkTest, SingleLinkSetsThePerUnitContentButBindsNothing) {
  Build();
  EXPECT_TRUE(link_.LinkToCB(Item("y5"), To("cb10")));
  EXPECT_EQ(Item("cb10")->GetContent(), "0.500000");
  EXPECT_FALSE(Item("cb10")->IsLinkedTo(Item("y5")));
  EXPECT_THAT(asked_, ElementsAre(Item("y5")));
  EXPECT_THAT(log_.warnings(), IsEmpty());
}

TEST_F(LinkTest, SingleLinkRegistersTheCostLineWithItsEntry) {
  builder_.CostLine("fresh", "el").WithoutRegistration();
  Build();
  ASSERT_THAT(Entry("el")->registered_res_item_ids(), Not(Contains("fresh")));
  EXPECT_TRUE(link_.LinkToCB(Item("y5"), To("fresh")));
  EXPECT_THAT(Entry("el")->registered_res_item_ids(), Contains("fresh"));
  EXPECT_EQ(Item("fresh")->GetContent(), "0.500000");
}

TEST_F(LinkTest, SingleLinkKeepsTheContentWhenAQuantityIsMissing) {
  builder_.Bill("bq", 1)
      .WithoutQuantity()
      .BudgetLine("yq", 2, "R6")
      .CostLine("cbq", "e")
      .WithContent("keep")
      .Select("y5")
      .WithoutQuantity();
  Build();
  EXPECT_TRUE(link_.LinkToCB(Item("yq"), To("cbq")));
  EXPECT_TRUE(link_.LinkToCB(Item("y5"), To("cbq")));
  EXPECT_EQ(Item("cbq")->GetContent(), "keep");
}

TEST_F(LinkTest, SingleLinkRefusals) {
  Build();
  EXPECT_FALSE(link_.LinkToCB(static_cast<engine::ResItem*>(nullptr), To("cbG")));
  EXPECT_FALSE(link_.LinkToCB(Item("yc"), To("cbG")));  // collected
  EXPECT_THAT(asked_, IsEmpty());
  EXPECT_FALSE(link_.LinkToCB(Item("y3"), To("")));
  EXPECT_EQ(Item("cbG")->GetContent(), "before");
  EXPECT_THAT(log_.warnings(), IsEmpty());
  EXPECT_THROW(link_.LinkToCB(Item("y3"), ResItemLinkToCB::Resolver()), std::bad_function_call);
  EXPECT_THROW(link_.LinkToCB(Lines({"y3", "y4"}), ResItemLinkToCB::Resolver()),
               std::bad_function_call);
}

TEST_F(LinkTest, GroupLinkBindsTheOtherMembersAndSumsTheirQuantities) {
  Build();
  EXPECT_TRUE(link_.LinkToCB(Lines({"y3", "y4"}), To("cbG")));
  EXPECT_EQ(Item("cbG")->GetContent(), "3.500000");
  EXPECT_FALSE(Item("cbG")->IsLinkedTo(Item("y3")));  // the resolver's business
  EXPECT_TRUE(Item("cbG")->IsLinkedTo(Item("y4")));
  EXPECT_THAT(asked_, ElementsAre(Item("y3")));
  EXPECT_EQ(Entry("e")->lease_quantity_text(), "");       // not a self-lease form
  EXPECT_TRUE(link_.LinkToCB(Lines({"y0"}), To("cb0")));  // a bill of 0 writes 0
  EXPECT_EQ(Item("cb0")->GetContent(), "0");
  EXPECT_THAT(log_.warnings(), IsEmpty());
}

TEST_F(LinkTest, GroupRefusalsComeBeforeAnyChange) {
  Build();
  scoped_refptr<ResItemImpl> free_line(new ResItemImpl("free"));
  free_line->SetQuantity(1);
  scoped_refptr<CoreOnlyLine> core_only = CoreOnlyLine::Make("core");
  const struct {
    std::vector<std::string> members;  // "" is a null member
    const char* message;
  } cases[] = {
      {{"y3", "y5"}, "mergeBingToCB check failed"},
      {{"y3", "y4", "y5"}, "mergeBingToCB check failed"},
      {{"y3", "free"}, "mergeBingToCB check failed"},
      {{"free", "free"}, "mergeBingToCB check failed"},  // no bill at all
      {{"y3", "core"}, "mergeBingToCB check failed"},    // no product face, so no bill
      {{"y3", "y4", "yc"}, "mergeBingToCB 存在已归集的人材机"},
      {{"yc", "y3"}, "mergeBingToCB 存在已归集的人材机"},
      {{"y3", "", "y4"}, "mergeBingToCB check has null"},
      {{"", "yc"}, "mergeBingToCB check has null"},
      {{"yc", ""}, "mergeBingToCB 存在已归集的人材机"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.members));
    std::vector<engine::ResItem*> members;
    for (const std::string& id : c.members)
      members.push_back(id == "free"   ? free_line.get()
                        : id == "core" ? static_cast<engine::ResItem*>(core_only.get())
                        : id.empty()   ? nullptr
                                       : Item(id));
    LogCapture log;
    EXPECT_FALSE(link_.LinkToCB(members, To("cbM")));
    EXPECT_THAT(log.warnings(), ElementsAre(c.message));
  }
  EXPECT_THAT(asked_, IsEmpty());
  EXPECT_EQ(Item("cbM")->GetContent(), "");
  EXPECT_TRUE(Item("cbM")->linked_ids().empty());
  EXPECT_EQ(Entry("el")->lease_quantity_text(), "");

  EXPECT_FALSE(link_.LinkToCB(std::vector<engine::ResItem*>(), To("cbM")));
  EXPECT_FALSE(link_.LinkToCB(Lines({"y3", "y4"}), To("")));
  EXPECT_FALSE(Item("cbG")->IsLinkedTo(Item("y4")));
  EXPECT_EQ(Item("cbG")->GetContent(), "before");
}

struct LeaseCase {
  const char* name;
  const char* cost_line;
  const char* entry;
  const char* lease_before;  // "" for none
  const char* lease_after;
};
void PrintTo(const LeaseCase& c, std::ostream* os) { *os << c.name; }

class GroupLeaseTest : public LinkTest, public testing::WithParamInterface<LeaseCase> {};

TEST_P(GroupLeaseTest, SelfLeaseEntriesAddTheLinkedTotal) {
  const LeaseCase& c = GetParam();
  if (*c.lease_before) builder_.Select(c.entry).WithLeaseQuantity(c.lease_before);
  Build();
  EXPECT_TRUE(link_.LinkToCB(Lines({"y3", "y4"}), To(c.cost_line)));
  EXPECT_EQ(Entry(c.entry)->lease_quantity_text(), c.lease_after);
  EXPECT_EQ(Item(c.cost_line)->GetContent(), "3.500000");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, GroupLeaseTest,
    testing::Values(LeaseCase{"MachineWithLease", "cbM", "el", "1.5", "8.5"},
                    LeaseCase{"MachineWithoutLease", "cbM", "el", "", "7"},
                    LeaseCase{"MachineWithUnreadableLease", "cbM", "el", "1.5t", "7"},
                    LeaseCase{"MachineRoundedToFourDigits", "cbM", "el", "0.00006", "7.0001"},
                    LeaseCase{"MachineRoundedAway", "cbM", "el", "0.00004", "7"},
                    LeaseCase{"RevolvingWithLease", "cbR", "er", "2.25", "9.25"},
                    LeaseCase{"OtherFormKeepsItsLease", "cbG", "e", "1", "1"}),
    CaseName());

TEST_F(LinkTest, UnlinkFreesTheLineFromEveryCostLineOfItsBill) {
  builder_.Link("cb10", "y5").Link("cb10b", "y5").Link("cb10b", "y0");
  Build();
  EXPECT_TRUE(link_.DeLinkToCB(Item("y5")));
  EXPECT_FALSE(Item("cb10")->IsLinkedTo(Item("y5")));
  EXPECT_FALSE(Item("cb10b")->IsLinkedTo(Item("y5")));
  EXPECT_THAT(Item("cb10b")->linked_ids(), ElementsAre("y0"));  // other links stay
  EXPECT_TRUE(link_.DeLinkToCB(Item("y5")));                    // nothing left to find
  EXPECT_TRUE(link_.DeLinkToCB(Item("y3")));
}

TEST_F(LinkTest, UnlinkUnderAnEntryOrALumpSumMeasureItem) {
  builder_.Select("b10")
      .BillEntry("entry", 1)
      .BudgetLine("ye", 1, "R7")
      .Link("cb10", "ye")
      .SubEngineering("group3", 1, 3, 1)
      .SubEngineering("zjcs", 1, 16, 1, "group3")
      .BudgetLine("yz", 1, "R8")
      .CostLine("cbz", "e")
      .Link("cbz", "yz");
  Build();
  EXPECT_TRUE(link_.DeLinkToCB(Item("ye")));
  EXPECT_FALSE(Item("cb10")->IsLinkedTo(Item("ye")));
  EXPECT_TRUE(link_.DeLinkToCB(Item("yz")));
  EXPECT_FALSE(Item("cbz")->IsLinkedTo(Item("yz")));
}

// Slots of the cost list without a line or a product face are passed over;
// a bill without a product face has no cost list to unlink from.
TEST_F(LinkTest, UnlinkPassesOverOddSlotsAndNeedsTheBillsProductFace) {
  builder_.Link("cb10", "y5").Link("cb10b", "y5").Link("cb0", "y0");
  Build();
  scoped_refptr<BentBill> b10 = BentBill::Over(Bill("b10"));
  b10->InsertCostSlot(0, nullptr);
  b10->InsertCostSlot(2, CoreOnlyLine::Make("core").get());
  scoped_refptr<BentLine> y5 = BentLine::Over(Item("y5"));
  y5->ListedBy(b10.get());
  EXPECT_TRUE(link_.DeLinkToCB(y5.get()));
  EXPECT_FALSE(Item("cb10")->IsLinkedTo(Item("y5")));
  EXPECT_FALSE(Item("cb10b")->IsLinkedTo(Item("y5")));

  scoped_refptr<BentLine> y0 = BentLine::Over(Item("y0"));
  y0->ListedBy(CoreOnlyBill::Over(Bill("b0")).get());
  EXPECT_FALSE(link_.DeLinkToCB(y0.get()));
  EXPECT_TRUE(Item("cb0")->IsLinkedTo(Item("y0")));
}

TEST_F(LinkTest, UnlinkRefusals) {
  builder_.Bill("noList", 1)
      .BudgetLine("yn", 1, "R9")
      .WithoutCostList()
      .SubEngineering("measure", 1, 0, 1)
      .CostLine("cbm", "e")
      .BillEntry("mentry", 1)
      .BudgetLine("ym", 1, "R10")
      .Link("cbm", "ym");
  Build();
  scoped_refptr<ResItemImpl> free_line(new ResItemImpl());
  for (ResItemImpl* line :
       {Item("yn"), Item("ym"), free_line.get(), static_cast<ResItemImpl*>(nullptr)})
    EXPECT_FALSE(link_.DeLinkToCB(line));
  // An entry under a measure item that is no lump-sum one: its owner is no
  // bill, and the link stays.
  EXPECT_TRUE(Item("cbm")->IsLinkedTo(Item("ym")));
}

}  // namespace
