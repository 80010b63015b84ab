// What the matching tests share: naming the two sides of a matching context
// by the ids people know (a merged entry by any of its source entries, a
// summary by any of its member lines) and writing a pairing with them.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "funcs/rcj_matching/qrv_building_rcj.h"
#include "funcs/rcj_matching/qrv_collect_match_data.h"
#include "host/engine/qrv/qrv_project.h"
#include "reference_host/persist/document_json.h"
#include "tests/support/test_support.h"

namespace test_support {

using marrow::qrv::MergedItemRef;
using marrow::qrv::RCJMatchingContext;
using marrow::qrv::SummaryRef;

// Member line ids of a summary entry, in member order.
inline std::vector<std::string> MemberIds(const engine::ResItem* summary) {
  std::vector<std::string> ids;
  for (int i = 0; i < summary->GetDetailCount(); ++i)
    ids.push_back(summary->GetDetailResItem(i)->GetId());
  return ids;
}

// The merged entry with a source of that id; null when there is none.
inline MergedItemRef MergedOf(const RCJMatchingContext& context, const std::string& source_id) {
  for (const auto& [merged, sources] : context.merged_sources)
    for (const auto& source : sources)
      if (source->GetId() == source_id) return merged;
  return nullptr;
}

// The summary entry with a member line of that id; null when there is none.
inline SummaryRef SummaryOf(const RCJMatchingContext& context, const std::string& line_id) {
  for (const SummaryRef& summary : context.summaries)
    for (const std::string& id : MemberIds(summary.get()))
      if (id == line_id) return summary;
  return nullptr;
}

// The links as (first source id -> first member line ids).
inline std::map<std::string, std::set<std::string>> Named(const RCJMatchingContext& context,
                                                          const marrow::qrv::MatchLinks& links) {
  std::map<std::string, std::set<std::string>> out;
  for (const auto& [merged, summaries] : links) {
    auto& named = out[context.merged_sources.at(merged).front()->GetId()];
    for (const auto& summary : summaries) named.insert(MemberIds(summary.get()).front());
  }
  return out;
}

class MatchingTest : public DocumentTest {
 protected:
  RCJMatchingContext& Collect(const std::string& root_id, std::vector<std::string> groups) {
    context_ = RCJMatchingContext();
    context_.sub_project = doc_->Find<engine::qrv::QRVSubProject>(root_id);
    context_.group_ids = std::move(groups);
    marrow::qrv::QRVCollectMatchData().Collect(context_);
    return context_;
  }
  // Pairs the merged entry of |source_id| with the summaries of |line_ids|.
  void Want(const std::string& source_id, const std::vector<std::string>& line_ids) {
    MergedItemRef merged = MergedOf(context_, source_id);
    ASSERT_TRUE(merged) << source_id;
    auto& wanted = context_.wanted_links[merged];
    for (const std::string& id : line_ids) {
      SummaryRef summary = SummaryOf(context_, id);
      ASSERT_TRUE(summary) << id;
      wanted.insert(summary);
    }
  }
  void Apply() { marrow::qrv::QRVBuildRCJ().Apply(context_); }
  std::string Text() const { return reference_host::SaveDocumentText(*doc_->document()); }
  std::vector<ResItemImpl*> CostLines(const std::string& bill_id) const {
    std::vector<ResItemImpl*> lines;
    auto* bill = doc_->Find<reference_host::SubEngineeringImpl>(bill_id);
    if (!bill->cost_list()) return lines;
    for (int i = 0; i < bill->cost_list()->size(); ++i) lines.push_back(bill->cost_list()->item(i));
    return lines;
  }
  // The cost line of |bill_id| that Apply added last (the list's last line).
  ResItemImpl* Built(const std::string& bill_id) const {
    std::vector<ResItemImpl*> lines = CostLines(bill_id);
    return lines.empty() ? nullptr : lines.back();
  }
  std::string EntryText(const std::string& entry_id, const std::string& key) const {
    return Entry(entry_id)->fields()->GetText(key);
  }

  RCJMatchingContext context_;
};

}  // namespace test_support
