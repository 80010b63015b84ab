// Read-side services over one cost account tree: code positions, paths,
// subtree membership and turning a path or an id into a valid id.
#include "funcs/cost_account/qrv_service.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::ConvertToValidCostAccountId;
using marrow::qrv::CostAccountGroupFunc;

// Civil(01){Steel(0101), Works(0102){Rebar(010201)}}, Plant(02){Crane(0201)},
// "Pipes/Ducts"(03){Valves(0301)}, and a top-level account named like the id
// of Steel.
std::unique_ptr<reference_host::AppDocumentImpl> CivilDocument() {
  return DocumentBuilder("p")
      .CostAccount("civil", "01", "Civil")
      .CostAccount("steel", "0101", "Steel", "civil")
      .CostAccount("works", "0102", "Works", "civil")
      .CostAccount("rebar", "010201", "Rebar", "works")
      .CostAccount("plant", "02", "Plant")
      .CostAccount("crane", "0201", "Crane", "plant")
      .CostAccount("pipes", "03", "Pipes/Ducts")
      .CostAccount("valves", "0301", "Valves", "pipes")
      .CostAccount("named-steel", "09", "steel")
      .Build();
}

class CostAccountTreeTest : public testing::Test {
 protected:
  engine::qrv::QRVCostAccount* Account(const std::string& id) const {
    return doc_->Find<engine::qrv::QRVCostAccount>(id);
  }

  std::unique_ptr<reference_host::AppDocumentImpl> doc_ = CivilDocument();
  reference_host::CostAccountGroupImpl* tree_ = doc_->project()->cost_accounts();
  CostAccountGroupFunc func_{tree_};
  CostAccountGroupFunc unbound_{nullptr};
};

TEST_F(CostAccountTreeTest, PositionsRunDepthFirstAcrossTopLevelAccounts) {
  std::map<std::string, int> levels;
  func_.GetCostAccountCodeLevel(levels);
  EXPECT_EQ(levels, (std::map<std::string, int>{{"01", 0},
                                                {"0101", 1},
                                                {"0102", 2},
                                                {"010201", 3},
                                                {"02", 4},
                                                {"0201", 5},
                                                {"03", 6},
                                                {"0301", 7},
                                                {"09", 8}}));
}

// A code shared by two top-level accounts: positions are updated in walk
// order, paths take the level the code lookup answers (the first account).
TEST_F(CostAccountTreeTest, SharedCodeUpdatesThePositionMapAndPathsUseTheFirstAccount) {
  auto doc = DocumentBuilder("q")
                 .CostAccount("a", "01", "Civil")
                 .CostAccount("b", "0101", "B", "a")
                 .CostAccount("e", "01", "Other")
                 .CostAccount("f", "0201", "Pipe", "e")
                 .Build();
  CostAccountGroupFunc func(doc->project()->cost_accounts());
  std::map<std::string, int> levels{{"01", 40}, {"zz", 7}};
  func.GetCostAccountCodeLevel(levels);
  const std::map<std::string, int> expected{{"01", 2}, {"0101", 1}, {"0201", 3}, {"zz", 7}};
  EXPECT_EQ(levels, expected);
  unbound_.GetCostAccountCodeLevel(levels);
  EXPECT_EQ(levels, expected);
  EXPECT_EQ(func.GetCostAccountPathByCode("0201"), "Civil/Pipe");
  EXPECT_EQ(func.GetCostAccountPathByCode("01"), "Civil");
}

TEST_F(CostAccountTreeTest, PathsJoinNamesFromTheTop) {
  const std::pair<const char*, const char*> cases[] = {
      {"01", "Civil"},
      {"0101", "Civil/Steel"},
      {"010201", "Civil/Works/Rebar"},
      {"0201", "Plant/Crane"},
      {"0301", "Pipes/Ducts/Valves"},  // a "/" inside a name is kept as it is
      {"99", ""},
      {"", ""},
      {"civil", ""},  // an id is not a code
  };
  for (const auto& [code, path] : cases) {
    EXPECT_EQ(func_.GetCostAccountPathByCode(code), path) << code;
    EXPECT_EQ(unbound_.GetCostAccountPathByCode(code), "") << code;
  }
}

// Over a tree whose code lookup disagrees with its parent links, as a host
// with a stale code index could.
TEST(CostAccountPathOnABentTree, UnknownLevelLeadsWithASeparatorAndNeverLoops) {
  auto doc = DocumentBuilder("p")
                 .CostAccount("a", "01", "Civil")
                 .CostAccount("b", "0101", "Steel", "a")
                 .CostAccount("c", "010101", "Rebar", "b")
                 .Build();
  scoped_refptr<BentCostAccountTree> tree =
      BentCostAccountTree::Over(doc->project()->cost_accounts());
  auto* rebar = doc->Find<engine::qrv::QRVCostAccount>("c");
  CostAccountGroupFunc func(tree.get());

  // The top level's code finds nothing.
  tree->BendCode("01", nullptr);
  EXPECT_EQ(func.GetCostAccountPathByCode("0101"), "/Steel");
  EXPECT_EQ(func.GetCostAccountPathByCode("010101"), "/Steel/Rebar");
  EXPECT_EQ(func.GetCostAccountPathByCode("01"), "");

  // The top level's code answers a descendant, which leads back to Steel:
  // Steel is met twice, so that level counts as unknown and the walk ends.
  tree->BendCode("01", rebar);
  EXPECT_EQ(func.GetCostAccountPathByCode("0101"), "/Rebar/Steel");

  // Membership follows parent links, not code lookups.
  EXPECT_TRUE(func.IsBelongToSpecifyCostAc(rebar, "01"));
}

TEST_F(CostAccountTreeTest, AnAccountBelongsToItselfAndItsAncestorsOnly) {
  struct Case {
    const char* id;
    const char* code;
    bool belongs;
  };
  const Case cases[] = {
      {"steel", "0101", true},    {"steel", "01", true},
      {"rebar", "01", true},  // itself, parent, grandparent
      {"rebar", "0102", true},    {"pipes", "03", true},
      {"works", "010201", false},  // an ancestor is not under its descendant
      {"steel", "0102", false},   {"crane", "01", false},  // sibling, another branch
      {"steel", "010", false},    {"steel", "", false},    // codes compare whole
  };
  for (const Case& c : cases) {
    engine::qrv::QRVCostAccount* account = Account(c.id);
    ASSERT_NE(account, nullptr) << c.id;
    SCOPED_TRACE(std::string(c.id) + " in " + c.code);
    EXPECT_EQ(func_.IsBelongToSpecifyCostAc(account, c.code), c.belongs);
    EXPECT_EQ(func_.IsBelongToSpecifyCostAcByCode(account->GetCode(), c.code), c.belongs);
    EXPECT_EQ(func_.IsBelongToSpecifyCostAcById(c.id, c.code), c.belongs);
    // The pointer form needs no bound tree; the lookups do.
    EXPECT_EQ(unbound_.IsBelongToSpecifyCostAc(account, c.code), c.belongs);
    EXPECT_FALSE(unbound_.IsBelongToSpecifyCostAcByCode(account->GetCode(), c.code));
    EXPECT_FALSE(unbound_.IsBelongToSpecifyCostAcById(c.id, c.code));
  }
}

TEST_F(CostAccountTreeTest, UnknownOrNullAccountBelongsToNothing) {
  EXPECT_FALSE(func_.IsBelongToSpecifyCostAc(nullptr, "01"));
  EXPECT_FALSE(func_.IsBelongToSpecifyCostAc(nullptr, ""));
  EXPECT_FALSE(func_.IsBelongToSpecifyCostAcByCode("99", "01"));
  EXPECT_FALSE(func_.IsBelongToSpecifyCostAcByCode("civil", "01"));  // an id is not a code
  EXPECT_FALSE(func_.IsBelongToSpecifyCostAcById("0101", "01"));     // a code is not an id
  EXPECT_FALSE(func_.IsBelongToSpecifyCostAcById("", ""));
  // The target of the by-id form is a code too.
  EXPECT_FALSE(func_.IsBelongToSpecifyCostAcById("steel", "civil"));
}

TEST_F(CostAccountTreeTest, ConvertsAPathOrAnIdToAValidId) {
  struct Case {
    const char* input;
    bool valid;
    const char* output;
  };
  const Case cases[] = {
      {"Civil/Works/Rebar", true, "rebar"},
      {"Civil", true, "civil"},
      {"Pipes/Ducts/Valves", true, "valves"},
      {"rebar", true, "rebar"},
      {"steel", true, "named-steel"},  // a path is tried before an id
      {"Civil/Rebar", false, "Civil/Rebar"},
      {"0101", false, "0101"},
      {"Civil/", false, "Civil/"},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    std::string output = "stale", untouched = "stale";
    EXPECT_EQ(ConvertToValidCostAccountId(tree_, c.input, output), c.valid) << c.input;
    EXPECT_EQ(output, c.output) << c.input;
    EXPECT_FALSE(ConvertToValidCostAccountId(nullptr, c.input, untouched)) << c.input;
    EXPECT_EQ(untouched, "stale") << c.input;
  }
}

TEST_F(CostAccountTreeTest, AnotherTreesIdIsNotValid) {
  auto other = DocumentBuilder("q").CostAccount("foreign", "01", "Civil").Build();
  std::string output;
  EXPECT_FALSE(ConvertToValidCostAccountId(tree_, "foreign", output));
  EXPECT_EQ(output, "foreign");
  // The same path names each tree's own account.
  EXPECT_TRUE(ConvertToValidCostAccountId(other->project()->cost_accounts(), "Civil", output));
  EXPECT_EQ(output, "foreign");
}

}  // namespace
