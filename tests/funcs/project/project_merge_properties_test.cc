// Properties of merging random pairs of projects: nothing either side held
// is lost or doubled, the merged fee figures are the sums of the two sides
// within the rounding to cents, and every carried reference points to the
// current project's own trees or was left unmatched.
#include <cmath>
#include <map>
#include <set>

#include "reference_host/model/sub_project_tables_impl.h"
#include "tests/funcs/project/project_merge_support.h"
#include "tests/support/bounded_size.h"

namespace {

using namespace test_support;

const std::vector<std::string> kCodes = {"1", "2", "3"};
const std::vector<std::string> kNames = {"A", "B"};
const std::vector<std::string> kFeeCodes = {"F", "G"};
const std::vector<double> kRates = {0.1, 0.1000005, 0.100002, 0.2};
const std::vector<std::string> kAccountCodes = {"01", "02", "03"};

struct FeeLine {
  std::string id;
  std::string code;
  double rate;
  double amount;
};

// One side's random content; every id starts with |prefix|.
struct Side {
  std::vector<std::string> ids;
  std::vector<FeeLine> fees;

  void Fill(DocumentBuilder& builder, const std::string& prefix, bool own_accounts) {
    std::string p = prefix + "/";
    auto draw = [](const std::vector<std::string>& from) {
      return from[*rc::gen::inRange<std::size_t>(0, from.size())];
    };
    std::vector<std::string> accounts;
    for (const std::string& code : kAccountCodes) {
      if (!own_accounts && !*rc::gen::arbitrary<bool>()) continue;
      builder.CostAccount(p + "ca" + code, code, "Account " + code);
      accounts.push_back(p + "ca" + code);
    }
    builder.Select(prefix + "/root").DJCSRoot(p + "djcs").ZJCSRoot(p + "zj").FeeTable(p + "fee");
    builder.EmptyItemSets();
    int djcs = *rc::gen::inRange(0, 4);
    for (int i = 0; i < djcs; ++i) {
      std::string id = p + "d" + std::to_string(i);
      builder.MeasureItem(id, draw(kCodes), draw(kNames), p + "djcs");
      if (!accounts.empty()) builder.WithCostAccount(draw(accounts));
      ids.push_back(id);
    }
    int zj = *rc::gen::inRange(0, 6);
    std::vector<std::string> parents = {p + "zj"};
    for (int i = 0; i < zj; ++i) {
      std::string id = p + "z" + std::to_string(i);
      builder.MeasureItem(id, draw(kCodes), draw(kNames), draw(parents));
      parents.push_back(id);
      ids.push_back(id);
    }
    int members = *rc::gen::inRange(0, 3);
    for (int i = 0; i < members; ++i) {
      builder.MovableItem(p + "m" + std::to_string(i));
      ids.push_back(p + "m" + std::to_string(i));
    }
    builder.Select(p + "fee");
    int fee_count = *rc::gen::inRange(0, 5);
    for (int i = 0; i < fee_count; ++i) {
      FeeLine line{p + "f" + std::to_string(i), draw(kFeeCodes),
                   kRates[*rc::gen::inRange<std::size_t>(0, kRates.size())],
                   *rc::gen::inRange(0, 100000) / 1000.0};
      builder.FeeRow(line.id, line.code, "base", line.rate, line.amount);
      fees.push_back(line);
      ids.push_back(line.id);
    }
  }
};

class MergeProperties : public ProjectMergeTest {
 public:
  void TestBody() override {}
  void Run() {
    Side current;
    Side source;
    current.Fill(current_builder_, "cur", true);
    source.Fill(source_builder_, "src", false);
    Build();
    RC_ASSERT(Merge(RootPair()));

    // Lost or doubled: each id lives in exactly one of the documents.
    for (const Side* side : {&current, &source})
      for (const std::string& id : side->ids) {
        bool here = current_->FindObjectById(id) != nullptr;
        bool there = source_->FindObjectById(id) != nullptr;
        RC_ASSERT(here != there);
      }

    // Fee figures: a row summed into a match stays behind, one that moved
    // is in the current table with the source suffix; the last match gets
    // the sum of both amounts to the cent.
    std::map<std::string, double> expected_cost;
    std::string expression;
    for (const FeeLine& from : source.fees) {
      const FeeLine* match = nullptr;
      for (const FeeLine& into : current.fees)
        if (into.code == from.code && std::fabs(into.rate - from.rate) <= 0.000001) match = &into;
      if (match) {
        expected_cost[match->id] = match->amount + from.amount;
        RC_ASSERT(source_->FindObjectById(from.id) != nullptr);
      } else {
        auto* row = current_->Find<engine::FeeRow>(from.id);
        RC_ASSERT(row != nullptr);
        RC_ASSERT(row->GetCode() == from.code + "_2");
        expression += "+" + from.code + "_2";
      }
    }
    for (const FeeLine& into : current.fees) {
      engine::FieldValue value;
      bool has =
          current_->FindObjectById(into.id)->GetFieldContainer()->GetFieldValue("CSCost", value);
      auto expected = expected_cost.find(into.id);
      RC_ASSERT(has == (expected != expected_cost.end()));
      if (has) RC_ASSERT(std::fabs(value.GetDouble() - expected->second) <= 0.005 + 1e-9);
    }
    RC_ASSERT(CurrentRoot()->GetFeeStore()->GetTable("Fee")->GetExpression() == expression);

    // References: every account reference in the current document is an
    // account of the current tree, or a source account whose code the
    // current tree lacks.
    std::vector<engine::DocumentObject*> objects;
    current_->GetAllObjects(objects);
    for (engine::DocumentObject* object : objects) {
      std::string account = Text(object, "QRV_CostAccount");
      if (account.empty()) continue;
      RC_ASSERT(account.rfind("cur/", 0) == 0);
    }
  }
};

RC_GTEST_PROP(ProjectMergeProperties, NothingLostOrDoubledAndFeeSumsHold, ()) {
  MergeProperties properties;
  properties.Run();
}

}  // namespace
