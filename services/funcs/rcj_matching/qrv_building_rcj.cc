#include "funcs/rcj_matching/qrv_building_rcj.h"

#include <glog/logging.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "beans/qrv_resitem.h"
#include "funcs/number_text.h"
#include "funcs/qrv_collect_ys_to_cb.h"
#include "funcs/qrv_link_cb_res_item.h"
#include "host/app/qrv/qrv_application.h"
#include "host/base/string_util.h"
#include "host/engine/base_res_item.h"
#include "host/engine/field_container.h"
#include "host/engine/field_value.h"
#include "host/engine/iterator.h"
#include "host/engine/qrv/qrv_factory.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/sub_engineering.h"
#include "host/engine/sub_project.h"
#include "internal/field_util.h"
#include "internal/qrv_keys.h"

namespace marrow {
namespace qrv {
namespace {

constexpr char kNoSourcesMessage[] = "不存在匹配的成本基础人材机；";
constexpr char kSeveralSourcesMessage[] =
    "同一个项目节点中有多个相同的基础人材机被合并，此处默认使用第一个；";
// Below this a unit factor counts as none.
constexpr double kNoFactor = 0.000001;

// One cost line to build (or one bill's lines to release): the budget lines
// of one bill paired with one merged entry, and the real contract entry of
// the bill's sub-project that the cost line belongs to.
struct BuildRecord {
  scoped_refptr<engine::SubProject> sub_project;
  scoped_refptr<engine::qrv::QRVSubEngineering> bill;
  scoped_refptr<engine::qrv::QRVBaseResItem> target;
  std::vector<scoped_refptr<engine::ResItem>> lines;
};

// Unit names and the factors between them, for one build pass. Exact text:
// callers lower the case where they want it ignored.
class UnitConversionTable {
 public:
  UnitConversionTable()
      : aliases_{{"米", "m"},    {"1000m", "km"},  {"千米", "km"},   {"公斤", "kg"},
                 {"千克", "kg"}, {"1000g", "kg"},  {"1000kg", "t"},  {"吨", "t"},
                 {"m³", "m3"},   {"立方米", "m3"}, {"平方米", "m2"}, {"m²", "m2"},
                 {"个", "只"}},
        factors_{{{"km", "m"}, 1000},    {{"m", "km"}, 0.001},    {{"kg", "g"}, 1000},
                 {{"g", "kg"}, 0.001},   {{"t", "kg"}, 1000},     {{"kg", "t"}, 0.001},
                 {{"千块", "百块"}, 10}, {{"百块", "千块"}, 0.1}, {{"百块", "块"}, 100},
                 {{"块", "百块"}, 0.01}, {{"千块", "块"}, 1000},  {{"块", "千块"}, 0.001}} {}

  // The canonical name of an alias; any other unit as it is.
  std::string CanonicalUnit(const std::string& unit) const {
    auto found = aliases_.find(unit);
    return found == aliases_.end() ? unit : found->second;
  }

  // Quantity in |from| x factor = quantity in |to|; 0.0 when no factor is
  // known (also for two equal units).
  double UnitFactor(const std::string& from, const std::string& to) const {
    auto found = factors_.find({CanonicalUnit(from), CanonicalUnit(to)});
    return found == factors_.end() ? 0.0 : found->second;
  }

 private:
  const std::map<std::string, std::string> aliases_;
  const std::map<std::pair<std::string, std::string>, double> factors_;
};

// (sub-project, bill) pairs ordered by sub-project address, then bill address.
struct BillKeyLess {
  using Key = std::pair<engine::SubProject*, engine::qrv::QRVSubEngineering*>;
  bool operator()(const Key& a, const Key& b) const {
    if (a.first != b.first) return std::less<engine::SubProject*>()(a.first, b.first);
    return std::less<engine::qrv::QRVSubEngineering*>()(a.second, b.second);
  }
};

// The bill (node kind 2) at or above the bill item |line| stands in, or null.
engine::qrv::QRVSubEngineering* BillOf(engine::ResItem* line) {
  engine::SubEngineering* node = line ? line->GetSourceRef().GetSubEngineering() : nullptr;
  while (node && node->GetNodeKind() != engine::kNodeKindBill) node = node->GetParent();
  return dynamic_cast<engine::qrv::QRVSubEngineering*>(node);
}

engine::FieldContainer* BaseFieldsOf(engine::ResItem* line) {
  engine::BaseResItem* base = line ? line->GetBaseResItem() : nullptr;
  return base ? base->GetFieldContainer() : nullptr;
}

std::vector<BuildRecord> BuildRecords(const RCJMatchingContext& context, const MatchLinks& links) {
  std::vector<BuildRecord> records;
  for (const auto& [merged, summaries] : links) {
    std::map<engine::SubProject*, std::vector<engine::qrv::QRVBaseResItem*>> sources;
    auto found = context.merged_sources.find(merged);
    if (found == context.merged_sources.end()) {
      LOG(ERROR) << kNoSourcesMessage;
    } else {
      for (const MergedItemRef& source : found->second) {
        engine::qrv::QRVBaseResItemGroup* group = source ? source->GetGroup() : nullptr;
        engine::qrv::QRVSubProject* owner = group ? group->GetOwnerSubProject() : nullptr;
        engine::SubProject* sub_project = owner ? owner->GetSubProject() : nullptr;
        if (sub_project) sources[sub_project].push_back(source.get());
      }
    }

    std::map<BillKeyLess::Key, std::vector<scoped_refptr<engine::ResItem>>, BillKeyLess> by_bill;
    for (const SummaryRef& summary : summaries) {
      if (!summary) continue;
      std::unique_ptr<engine::Iterator<engine::ResItem>> members = summary->CreateDetailIterator();
      for (members->First(); !members->IsDone(); members->Next()) {
        engine::ResItem* line = members->Current();
        // Lines outside any bill are outside what matching builds.
        engine::qrv::QRVSubEngineering* bill = BillOf(line);
        if (!bill) continue;
        by_bill[{bill->GetSubProject(), bill}].emplace_back(line);
      }
    }

    for (auto& [key, lines] : by_bill) {
      auto targets = sources.find(key.first);
      if (targets == sources.end()) continue;
      if (targets->second.size() > 1) LOG(WARNING) << kSeveralSourcesMessage;
      records.push_back({key.first, key.second, targets->second.front(), std::move(lines)});
    }
  }
  return records;
}

// The cost account agreement between contract entry |target| and the budget
// entries of |lines|.
void AgreeCostAccount(engine::qrv::QRVBaseResItem* target,
                      const std::vector<engine::ResItem*>& lines) {
  if (lines.empty()) return;
  const std::string account = target->GetCostAccount();
  if (account.empty()) {
    engine::FieldContainer* fields = BaseFieldsOf(lines.front());
    if (fields && fields->HasField(keys::kYSCostAccount))
      target->SetCostAccount(internal::GetTextField(fields, keys::kYSCostAccount));
    return;
  }
  for (engine::ResItem* line : lines) {
    if (engine::FieldContainer* fields = BaseFieldsOf(line))
      fields->SetFieldValue(keys::kYSCostAccount, engine::FieldValue(account), true);
  }
}

// A new cost line of |record|'s bill, attached to its target and standing
// last in the bill's cost list (made when the bill has none). Null when the
// host makes no line or list.
scoped_refptr<engine::qrv::QRVResItem> NewCostLine(const BuildRecord& record) {
  engine::qrv::QRVFactory* factory = app::qrv::GetQRVFactory();
  if (!factory) return nullptr;
  engine::qrv::QRVCBResItemList* list = record.bill->GetCBResItemList();
  if (!list) {
    list = factory->CreateCBResItemList();
    if (!list) return nullptr;
    record.bill->SetCBResItemList(list);
  }
  scoped_refptr<engine::qrv::QRVResItem> cost_line(factory->CreateCBResItem());
  if (!cost_line) return nullptr;
  cost_line->SetBaseResItem(record.target.get());
  record.target->AddResItem(cost_line.get());
  list->AddCBResItem(cost_line.get(), nullptr);
  list->Refresh();
  return cost_line;
}

void CopyPrices(engine::ResItem* first_line, engine::qrv::QRVBaseResItem* target) {
  engine::FieldContainer* from = BaseFieldsOf(first_line);
  engine::FieldContainer* to = target->GetFieldContainer();
  if (!from || !to) return;
  for (const char* key : {keys::kIncluedTaxFee, keys::kExcludedTaxFee, keys::kRateOfTransTaxFee,
                          keys::kFloatRateOfMarketFee}) {
    engine::FieldValue value;
    if (from->GetFieldValue(key, value)) to->SetFieldValue(key, value, false);
  }
}

// The cost line's content was set in the budget unit; it is wanted in the
// contract entry's unit.
void AgreeUnit(const BuildRecord& record, engine::qrv::QRVResItem* cost_line,
               const UnitConversionTable& units) {
  engine::BaseResItem* base = record.lines.front()->GetBaseResItem();
  const std::string budget_unit = base ? base->GetUnit() : std::string();
  const std::string cost_unit = record.target->GetUnit();
  if (units.CanonicalUnit(budget_unit) == units.CanonicalUnit(cost_unit)) return;
  const double factor = units.UnitFactor(base::ToLower(budget_unit), base::ToLower(cost_unit));
  if (std::fabs(factor) < kNoFactor) {
    cost_line->SetContent("");
    return;
  }
  double content = 0.0;
  if (cost_line->GetContent(content))
    cost_line->SetContent(internal::FormatFixed(content * factor));
}

std::vector<engine::ResItem*> RawLines(const BuildRecord& record) {
  std::vector<engine::ResItem*> lines;
  lines.reserve(record.lines.size());
  for (const auto& line : record.lines) lines.push_back(line.get());
  return lines;
}

void LinkRecord(const BuildRecord& record, const UnitConversionTable& units) {
  scoped_refptr<engine::qrv::QRVResItem> built;
  ResItemLinkToCB().LinkToCB(
      RawLines(record), [&record, &built](engine::ResItem* line) -> engine::qrv::QRVResItem* {
        if (engine::FieldContainer* fields = BaseFieldsOf(line)) {
          fields->SetFieldValue(keys::kBindedBaseResItemId,
                                engine::FieldValue(record.target->GetId()), true);
        }
        scoped_refptr<engine::qrv::QRVResItem> cost_line = NewCostLine(record);
        if (!cost_line) return nullptr;
        cost_line->AddLinkedResItem(line);
        built = cost_line;
        AgreeCostAccount(record.target.get(), {line});
        return cost_line.get();
      });
  CopyPrices(record.lines.front().get(), record.target.get());
  if (built) AgreeUnit(record, built.get(), units);
}

void CollectRecord(const BuildRecord& record) {
  scoped_refptr<engine::qrv::QRVResItem> cost_line = NewCostLine(record);
  if (!cost_line) return;
  YsRCJCollectWithCB collector;
  const std::vector<engine::ResItem*> lines = RawLines(record);
  for (engine::ResItem* line : lines) {
    collector.YSRcjCollectToCB(cost_line.get(), line,
                               QRVResItemBean(line).GetResItemCollectSrcQuantity());
  }
  AgreeCostAccount(record.target.get(), lines);
}

void BuildRecordNow(const BuildRecord& record, const UnitConversionTable& units) {
  if (record.lines.empty()) return;
  std::set<engine::BaseResItem*> bases;
  for (const auto& line : record.lines) bases.insert(line->GetBaseResItem());
  if (bases.size() == 1)
    LinkRecord(record, units);
  else
    CollectRecord(record);
}

// Copies of the entries of |of| that |minus| lacks.
SummarySet Difference(const SummarySet& of, const SummarySet& minus) {
  SummarySet out;
  std::set_difference(of.begin(), of.end(), minus.begin(), minus.end(),
                      std::inserter(out, out.end()), RefAddressLess());
  return out;
}

}  // namespace

QRVBuildRCJ::QRVBuildRCJ() = default;
QRVBuildRCJ::QRVBuildRCJ(const QRVBuildRCJ&) = default;
QRVBuildRCJ::QRVBuildRCJ(QRVBuildRCJ&&) noexcept = default;
QRVBuildRCJ& QRVBuildRCJ::operator=(const QRVBuildRCJ&) = default;
QRVBuildRCJ& QRVBuildRCJ::operator=(QRVBuildRCJ&&) noexcept = default;
QRVBuildRCJ::~QRVBuildRCJ() = default;

void QRVBuildRCJ::Apply(RCJMatchingContext& context) {
  // 1. What to release and what to build.
  MatchLinks to_unlink;
  MatchLinks to_link;
  for (const auto& [merged, current] : context.current_links) {
    auto wanted = context.wanted_links.find(merged);
    if (wanted == context.wanted_links.end()) {
      to_unlink[merged] = current;
      continue;
    }
    to_unlink[merged] = Difference(current, wanted->second);
    to_link[merged] = Difference(wanted->second, current);
  }
  for (const auto& [merged, wanted] : context.wanted_links) {
    if (context.current_links.count(merged) == 0) to_link[merged] = wanted;
  }

  // 2. Releases, all before any build.
  for (const BuildRecord& record : BuildRecords(context, to_unlink))
    ResItemLinkToCB().DeLinkToCB(record.lines.front().get());

  // 3. Builds.
  const std::vector<BuildRecord> records = BuildRecords(context, to_link);
  const UnitConversionTable units;
  for (const BuildRecord& record : records) BuildRecordNow(record, units);
}

}  // namespace qrv
}  // namespace marrow
