#include "funcs/rcj_matching/qrv_collect_match_data.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "beans/qrv_resitem.h"
#include "host/app/qrv/qrv_application.h"
#include "host/engine/base_res_item.h"
#include "host/engine/field_container.h"
#include "host/engine/iterator.h"
#include "host/engine/qrv/qrv_factory.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item_group.h"
#include "host/engine/sub_project.h"
#include "internal/field_util.h"
#include "internal/qrv_keys.h"

namespace marrow {
namespace qrv {
namespace {

std::set<std::string>* BuildDesFingerprintKeys() {
  return new std::set<std::string>{
      "BRIMarkup",
      "BRIType",
      "BRICode",
      "BRIName",
      "BRISpec",
      "BRIUnit",
      "BRIExcludedTaxFee",
      "BRIRateOfTransTaxFee",
      "BRIFloatRateOfMarketFee",
      "BRIMarketPriceLocked",
      "BRIProvisional",
      "BRIIssueContract",
      "BRIContractProcurementMethod",
      "BRIPriceSource",
      "BRISupplyTime",
  };
}

// The defining fields of a budget resource; built when the library is loaded
// and only read afterwards, so any thread may read it. Never destroyed.
const std::set<std::string>* const DesFingerprintKeys = BuildDesFingerprintKeys();

bool IsDesFingerprintKey(const std::string& key) { return DesFingerprintKeys->count(key) != 0; }

// The summary fingerprint of the match: material-like types only ("C", "Z",
// "F"), never collected lines, and lines linked to different contract
// entries kept apart by that entry's id. Made on the stack for one Collect.
class DesResItemSummaryFingerprint : public QRVDesResItemFingerprint {
 public:
  DesResItemSummaryFingerprint() : SummaryResTypes{"C", "Z", "F"} {}
  ~DesResItemSummaryFingerprint() override = default;

 protected:
  bool IsValid(engine::ResItem* item) override {
    if (!item || SummaryResTypes.count(item->GetResType()) == 0) return false;
    if (!QRVDesResItemFingerprint::IsValid(item)) return false;
    return !QRVResItemBean(item).IsCollected();
  }

  std::string GetOtherFinger(engine::ResItem* item) override {
    engine::qrv::QRVResItem* cost_item = QRVResItemBean(item).GetLinkedCBRes();
    engine::qrv::QRVBaseResItem* entry = cost_item ? cost_item->GetBaseResItem() : nullptr;
    return entry ? entry->GetId() : std::string();
  }

 private:
  const std::set<std::string> SummaryResTypes;
};

// Contract entries by bucket key (an identity item, or the entry itself),
// in key-address order; each bucket in gathering order.
using Buckets = std::map<engine::DocumentObject*, std::vector<MergedItemRef>>;

void GatherSources(engine::qrv::QRVSubProject* node, engine::qrv::QRVSubProject* root,
                   const std::vector<std::string>& group_ids, Buckets& buckets) {
  if (engine::qrv::QRVGroupedItemSet* groups = node->GetGroupedItemSet()) {
    for (const std::string& id : group_ids) {
      engine::qrv::QRVBaseResItemGroup* group = groups->FindGroupById(id);
      if (!group) continue;
      std::unique_ptr<engine::Iterator<engine::qrv::QRVBaseResItem>> entries =
          group->CreateChildIterator();
      for (entries->First(); !entries->IsDone(); entries->Next()) {
        engine::qrv::QRVBaseResItem* entry = entries->Current();
        if (!entry) continue;
        // Read afresh for each entry, as the scope's kind decides the key.
        engine::SubProject* scope = root->GetSubProject();
        engine::DocumentObject* key = nullptr;
        if (scope && scope->GetKind() == engine::kSubProjectUnit)
          key = entry;
        else
          key = entry->GetIdentityItem(true);
        buckets[key].emplace_back(entry);
      }
    }
  }
  // The count is read again after each child.
  for (int i = 0; i < node->GetChildCount(); ++i) {
    if (engine::qrv::QRVSubProject* child = node->GetChildAt(i))
      GatherSources(child, root, group_ids, buckets);
  }
}

// "<number key>@<number>" of the entry's base resource ("" without one).
std::string NumberText(engine::BaseResItem* base) {
  if (!base) return std::string();
  std::string text = base->GetNumberKey();
  int number = 0;
  if (base->GetNumber(number)) text += "@" + std::to_string(number);
  return text;
}

// Sorts |items| by the two texts |keys| gives each; byte-wise, not stable.
template <class Ref, class Keys>
void SortByTexts(std::vector<Ref>& items, Keys keys) {
  struct Keyed {
    std::pair<std::string, std::string> texts;
    Ref item;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(items.size());
  for (Ref& item : items) keyed.push_back({keys(item.get()), std::move(item)});
  std::sort(keyed.begin(), keyed.end(),
            [](const Keyed& a, const Keyed& b) { return a.texts < b.texts; });
  for (size_t i = 0; i < keyed.size(); ++i) items[i] = std::move(keyed[i].item);
}

}  // namespace

QRVDesResItemFingerprint::QRVDesResItemFingerprint() = default;
QRVDesResItemFingerprint::~QRVDesResItemFingerprint() = default;

bool QRVDesResItemFingerprint::IsValid(engine::ResItem* item) {
  if (!ResItemFingerprint::IsValid(item)) return false;
  return QRVResItemBean(item).GetResItemCollectCopy() == nullptr;
}

std::string QRVDesResItemFingerprint::GetOtherFinger(engine::ResItem* item) {
  const QRVResItemBean view(item);
  if (view.IsCollected()) return "collected";
  if (engine::qrv::QRVResItem* cost_item = view.GetLinkedCBRes()) {
    engine::qrv::QRVBaseResItem* entry = cost_item->GetBaseResItem();
    return "linked" + (entry ? entry->GetCostAccount() : std::string());
  }
  engine::BaseResItem* base = item ? item->GetBaseResItem() : nullptr;
  return internal::GetTextField(base ? base->GetFieldContainer() : nullptr, keys::kYSCostAccount);
}

void QRVDesResItemFingerprint::Visit(const std::string& key, const std::string& value) {
  if (IsDesFingerprintKey(key)) ResItemFingerprint::Visit(key, value);
}
void QRVDesResItemFingerprint::Visit(const std::string& key, double value) {
  if (IsDesFingerprintKey(key)) ResItemFingerprint::Visit(key, value);
}
void QRVDesResItemFingerprint::Visit(const std::string& key, int value) {
  if (IsDesFingerprintKey(key)) ResItemFingerprint::Visit(key, value);
}
void QRVDesResItemFingerprint::Visit(const std::string& key, bool value) {
  if (IsDesFingerprintKey(key)) ResItemFingerprint::Visit(key, value);
}

QRVDesZGResItemFingerprint::QRVDesZGResItemFingerprint() = default;
QRVDesZGResItemFingerprint::~QRVDesZGResItemFingerprint() = default;

void QRVDesZGResItemFingerprint::Visit(const std::string& key, const std::string& value) {
  if (IsDesFingerprintKey(key)) ResItemZGFingerprint::Visit(key, value);
}
void QRVDesZGResItemFingerprint::Visit(const std::string& key, double value) {
  if (IsDesFingerprintKey(key)) ResItemZGFingerprint::Visit(key, value);
}
void QRVDesZGResItemFingerprint::Visit(const std::string& key, int value) {
  if (IsDesFingerprintKey(key)) ResItemZGFingerprint::Visit(key, value);
}
void QRVDesZGResItemFingerprint::Visit(const std::string& key, bool value) {
  if (IsDesFingerprintKey(key)) ResItemZGFingerprint::Visit(key, value);
}

QRVCollectMatchData::QRVCollectMatchData() = default;
QRVCollectMatchData::QRVCollectMatchData(const QRVCollectMatchData&) = default;
QRVCollectMatchData::QRVCollectMatchData(QRVCollectMatchData&&) noexcept = default;
QRVCollectMatchData& QRVCollectMatchData::operator=(const QRVCollectMatchData&) = default;
QRVCollectMatchData& QRVCollectMatchData::operator=(QRVCollectMatchData&&) noexcept = default;
QRVCollectMatchData::~QRVCollectMatchData() = default;

void QRVCollectMatchData::Collect(RCJMatchingContext& context) {
  engine::qrv::QRVSubProject* root = context.sub_project;
  if (!root) return;

  // 1. Contract entries of the chosen forms, bucketed.
  Buckets buckets;
  GatherSources(root, root, context.group_ids, buckets);

  // 2. One merged entry per bucket, in key-address order.
  std::vector<MergedItemRef> merged_now;
  engine::qrv::QRVFactory* factory = app::qrv::GetQRVFactory();
  for (auto& [key, entries] : buckets) {
    MergedItemRef merged = factory ? factory->CreateBaseResItem() : nullptr;
    if (!merged) continue;
    merged->GetFieldContainer()->CopyFieldsFrom(entries.front()->GetFieldContainer());
    context.merged_items.push_back(merged);
    merged_now.push_back(merged);
    double total = 0.0;
    std::vector<MergedItemRef>& sources = context.merged_sources[merged];
    for (MergedItemRef& entry : entries) {
      double quantity = 0.0;
      if (entry->GetQuantity(quantity)) total += quantity;
      sources.push_back(std::move(entry));
    }
    merged->SetQuantity(total);
  }

  // 3. The budget side, aggregated by the engine.
  std::vector<SummaryRef> summaries_now;
  if (engine::SubProject* scope = root->GetSubProject()) {
    DesResItemSummaryFingerprint fingerprint;
    scoped_refptr<engine::ResItemGroup> group = scope->GroupResItems(&fingerprint);
    if (group) {
      std::unique_ptr<engine::Iterator<engine::ResItem>> entries = group->CreateEntryIterator();
      for (entries->First(); !entries->IsDone(); entries->Next())
        summaries_now.emplace_back(entries->Current());
    }
  }
  context.summaries.insert(context.summaries.end(), summaries_now.begin(), summaries_now.end());

  // 4. Source id -> merged entry.
  std::map<std::string, engine::qrv::QRVBaseResItem*> merged_by_source_id;
  for (const MergedItemRef& merged : merged_now) {
    for (const MergedItemRef& source : context.merged_sources[merged])
      merged_by_source_id[source->GetId()] = merged.get();
  }

  // 5. The links that exist: through the first member line of each summary.
  for (const SummaryRef& summary : summaries_now) {
    engine::ResItem* first_line = summary ? summary->GetDetailResItem(0) : nullptr;
    if (!first_line) continue;
    engine::qrv::QRVResItem* cost_item = QRVResItemBean(first_line).GetLinkedCBRes();
    engine::qrv::QRVBaseResItem* entry = cost_item ? cost_item->GetBaseResItem() : nullptr;
    if (!entry) continue;
    auto found = merged_by_source_id.find(entry->GetId());
    if (found == merged_by_source_id.end()) continue;
    context.current_links[MergedItemRef(found->second)].insert(summary);
  }

  // 6, 7. The orders a person reads the two lists in.
  SortByTexts(context.merged_items, [](engine::qrv::QRVBaseResItem* merged) {
    return std::make_pair(merged->GetSortText(), merged->GetName());
  });
  SortByTexts(context.summaries, [](engine::ResItem* summary) {
    engine::BaseResItem* base = summary ? summary->GetBaseResItem() : nullptr;
    return std::make_pair(NumberText(base), base ? base->GetName() : std::string());
  });
}

}  // namespace qrv
}  // namespace marrow
