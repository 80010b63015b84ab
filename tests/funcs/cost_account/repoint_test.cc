// Re-pointing cost account and bill stage references from a source project's
// tree and stages to those of the current project.
#include <nlohmann/json.hpp>
#include <optional>

#include "funcs/cost_account/bill_stage_group_func.h"
#include "funcs/cost_account/qrv_service.h"
#include "tests/support/test_support.h"

namespace {

using namespace test_support;
using marrow::qrv::BillStageGroupFunc;
using marrow::qrv::CostAccountGroupFunc;
using reference_host::keys::kBillStage;
using reference_host::keys::kCostAccount;
using reference_host::keys::kYSCostAccount;
using testing::HasSubstr;
using Text = std::optional<std::string>;  // nullopt: the field is absent

// The local project holds Civil(01){Steel(0101), Works(0102)} and stages
// "Stage 1", "Stage 2"; the source project holds the same codes under other
// ids, an account (09) and a stage the local project lacks.
class RepointTest : public testing::Test {
 protected:
  RepointTest()
      : local_(DocumentBuilder("local")
                   .CostAccount("l-civil", "01", "Civil")
                   .CostAccount("l-steel", "0101", "Steel", "l-civil")
                   .CostAccount("l-混凝土", "0102", "Works", "l-civil")
                   .BillStage("ls1", "Stage 1")
                   .BillStage("ls2", "Stage 2")
                   .SubProject("sp1", "Building")
                   .Bill("b1", 1)
                   .Build()),
        source_(DocumentBuilder("source")
                    .CostAccount("o-civil", "01", "Civil")
                    .CostAccount("o-steel", "0101", "Steel", "o-civil")
                    .CostAccount("o-works", "0102", "Concrete", "o-civil")
                    .CostAccount("o-misc", "09", "Misc")
                    .BillStage("os2", "Stage 2")
                    .BillStage("os9", "Stage 9")
                    .Build()) {}

  reference_host::FieldContainerImpl* Fields(const std::string& id) const {
    return local_->document()->FindImpl(id)->fields();
  }
  static void Put(reference_host::FieldContainerImpl* fields, const char* key, const Text& text) {
    if (text) fields->SetText(key, *text);
  }
  static Text Get(reference_host::FieldContainerImpl* fields, const char* key) {
    if (!fields->HasField(key)) return std::nullopt;
    return fields->GetText(key);
  }

  std::unique_ptr<reference_host::AppDocumentImpl> local_;
  std::unique_ptr<reference_host::AppDocumentImpl> source_;
  reference_host::CostAccountGroupImpl* local_tree_ = local_->project()->cost_accounts();
  reference_host::CostAccountGroupImpl* source_tree_ = source_->project()->cost_accounts();
  reference_host::BillStageGroupImpl* local_stages_ = local_->project()->bill_stages();
  reference_host::BillStageGroupImpl* source_stages_ = source_->project()->bill_stages();
};

struct FieldCase {
  Text cost_account, ys_cost_account;
  Text cost_account_after, ys_cost_account_after;
  int writes;
};
std::string Show(const Text& text) {
  return !text ? "<absent>" : text->empty() ? "<empty>" : *text;
}
void PrintTo(const FieldCase& c, std::ostream* os) {
  *os << Show(c.cost_account) << "," << Show(c.ys_cost_account);
}

class FieldRepointTest : public RepointTest, public testing::WithParamInterface<FieldCase> {};

TEST_P(FieldRepointTest, EachKeyIsMatchedByCodeOnItsOwn) {
  const FieldCase& c = GetParam();
  reference_host::FieldContainerImpl* fields = Fields("b1");
  Put(fields, kCostAccount, c.cost_account);
  Put(fields, kYSCostAccount, c.ys_cost_account);
  const int before = fields->notification_count();

  CostAccountGroupFunc(local_tree_).UpdateLocalCostAccount(fields, source_tree_);
  EXPECT_EQ(Get(fields, kCostAccount), c.cost_account_after);
  EXPECT_EQ(Get(fields, kYSCostAccount), c.ys_cost_account_after);
  EXPECT_EQ(fields->notification_count() - before, c.writes);
}

INSTANTIATE_TEST_SUITE_P(
    RepointFields, FieldRepointTest,
    testing::Values(FieldCase{"o-steel", "o-civil", "l-steel", "l-civil", 2},
                    FieldCase{"o-steel", std::nullopt, "l-steel", std::nullopt, 1},
                    FieldCase{std::nullopt, "o-works", std::nullopt, "l-混凝土",
                              1},  // matched by code, not name
                    FieldCase{"o-misc", "o-steel", "o-misc", "l-steel", 1},  // no local code 09
                    FieldCase{"l-steel", "nope", "l-steel", "nope",
                              0},  // ids the source does not know
                    FieldCase{"", "", "", "", 0},
                    FieldCase{std::nullopt, std::nullopt, std::nullopt, std::nullopt, 0}));

TEST_F(RepointTest, MissingTreesOrContainerLeaveFieldsAsTheyAre) {
  reference_host::FieldContainerImpl* fields = Fields("b1");
  fields->SetText(kCostAccount, "o-steel");
  fields->SetText(kYSCostAccount, "o-civil");
  fields->SetText(kBillStage, "os2");
  const int before = fields->notification_count();

  CostAccountGroupFunc(nullptr).UpdateLocalCostAccount(fields, source_tree_);
  CostAccountGroupFunc(local_tree_).UpdateLocalCostAccount(fields, nullptr);
  CostAccountGroupFunc(local_tree_)
      .UpdateLocalCostAccount(static_cast<engine::FieldContainer*>(nullptr), source_tree_);
  CostAccountGroupFunc(local_tree_)
      .UpdateLocalCostAccount(static_cast<engine::SubProject*>(nullptr), source_tree_);
  BillStageGroupFunc(nullptr).UpdateLocalBillStage(fields, source_stages_);
  BillStageGroupFunc(local_stages_).UpdateLocalBillStage(fields, nullptr);
  BillStageGroupFunc(local_stages_).UpdateLocalBillStage(nullptr, source_stages_);
  EXPECT_EQ(fields->notification_count(), before);
  EXPECT_EQ(fields->GetText(kCostAccount), "o-steel");
  EXPECT_EQ(fields->GetText(kYSCostAccount), "o-civil");
  EXPECT_EQ(fields->GetText(kBillStage), "os2");
}

TEST_F(RepointTest, BillStageIsMatchedByName) {
  const std::pair<Text, Text> cases[] = {
      {"os2", "ls2"}, {"os9", "os9"},
      {"ls1", "ls1"},  // no local "Stage 9"; not a source stage
      {"", ""},       {std::nullopt, std::nullopt},
  };
  for (const auto& [before, after] : cases) {
    reference_host::FieldContainerImpl* fields = Fields("b1");
    fields->RemoveField(kBillStage, false);
    Put(fields, kBillStage, before);
    BillStageGroupFunc(local_stages_).UpdateLocalBillStage(fields, source_stages_);
    EXPECT_EQ(Get(fields, kBillStage), after) << before.value_or("<absent>");
  }
}

// The message the JSON library gives for |text|, or "" when it parses.
std::string ParseError(const std::string& text) {
  try {
    const nlohmann::json parsed = nlohmann::json::parse(text);
    (void)parsed;
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// The message of reading |value| as a string, as for a member of that kind.
std::string NotAStringError(const nlohmann::json& value = 5) {
  try {
    const std::string text = value.get<std::string>();
    (void)text;
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

struct DocumentCase {
  const char* name;
  Text cost_account, ys_cost_account;
  Text cost_account_after, ys_cost_account_after;
  std::vector<std::string> errors;
};
void PrintTo(const DocumentCase& c, std::ostream* os) { *os << c.name; }

class SubProjectRepointTest : public RepointTest,
                              public testing::WithParamInterface<DocumentCase> {};

TEST_P(SubProjectRepointTest, MembersAreRewrittenAndTheDocumentWrittenBackCompactly) {
  const DocumentCase& c = GetParam();
  reference_host::FieldContainerImpl* fields = Fields("sp1");
  Put(fields, kCostAccount, c.cost_account);
  Put(fields, kYSCostAccount, c.ys_cost_account);
  LogCapture log;

  CostAccountGroupFunc(local_tree_)
      .UpdateLocalCostAccount(local_->Find<engine::SubProject>("sp1"), source_tree_);
  EXPECT_EQ(Get(fields, kCostAccount), c.cost_account_after);
  EXPECT_EQ(Get(fields, kYSCostAccount), c.ys_cost_account_after);
  EXPECT_EQ(log.Messages(google::GLOG_ERROR), c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    RepointDocuments, SubProjectRepointTest,
    testing::Values(
        DocumentCase{"object",
                     R"({"a": "o-steel", "b": "o-misc"})",
                     std::nullopt,
                     R"({"a":"l-steel","b":"o-misc"})",
                     std::nullopt,
                     {}},
        DocumentCase{"array",
                     R"([ "o-civil", "nope", "o-works" ])",
                     R"(["o-steel"])",
                     R"(["l-civil","nope","l-混凝土"])",
                     R"(["l-steel"])",
                     {}},
        DocumentCase{
            "single_string", R"("o-works")", R"("o-misc")", R"("l-混凝土")", R"("o-misc")", {}},
        DocumentCase{"null", "null", " null ", "null", "null", {}},
        DocumentCase{"empty", "", std::nullopt, "", std::nullopt, {}},
        DocumentCase{"not_json",
                     "o-steel",
                     R"({"x":"o-steel"})",
                     "o-steel",
                     R"({"x":"l-steel"})",
                     {ParseError("o-steel")}},
        DocumentCase{"broken_both",
                     "{",
                     "[\"o-steel\",",
                     "{",
                     "[\"o-steel\",",
                     {ParseError("{"), ParseError("[\"o-steel\",")}},
        DocumentCase{"number_member",
                     R"({"a": "o-steel", "b": 5})",
                     R"(["o-civil"])",
                     R"({"a": "o-steel", "b": 5})",
                     R"(["l-civil"])",
                     {NotAStringError()}},
        DocumentCase{"nested_member",
                     std::nullopt,
                     R"([["o-steel"]])",
                     std::nullopt,
                     R"([["o-steel"]])",
                     {NotAStringError(nlohmann::json::array())}}),
    CaseName());

TEST_F(RepointTest, LibraryMessagesAreTheOnesLogged) {
  // Guards the cases above against comparing one computed text with itself.
  EXPECT_THAT(NotAStringError(), HasSubstr("type must be string, but is number"));
  EXPECT_THAT(NotAStringError(nlohmann::json::array()),
              HasSubstr("type must be string, but is array"));
  EXPECT_THAT(ParseError("o-steel"), HasSubstr("parse error"));
  EXPECT_THAT(ParseError("[1]"), IsEmpty());
}

TEST_F(RepointTest, DocumentIsWrittenBackEvenWithoutMembersAndAsRawUtf8) {
  reference_host::FieldContainerImpl* fields = Fields("sp1");
  fields->SetText(kCostAccount, "null");
  const int before = fields->notification_count();
  CostAccountGroupFunc func(local_tree_);
  func.UpdateLocalCostAccount(local_->Find<engine::SubProject>("sp1"), source_tree_);
  EXPECT_EQ(fields->notification_count() - before, 1);
  EXPECT_EQ(fields->GetText(kCostAccount), "null");

  fields->SetText(kCostAccount, R"({"主体": "o-works"})");
  func.UpdateLocalCostAccount(local_->Find<engine::SubProject>("sp1"), source_tree_);
  EXPECT_EQ(fields->GetText(kCostAccount),
            "{\"\xE4\xB8\xBB\xE4\xBD\x93\":\"l-\xE6\xB7\xB7\xE5\x87\x9D\xE5\x9C\x9F\"}");
}

}  // namespace
