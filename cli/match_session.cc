#include "cli/match_session.h"

#include <cmath>
#include <limits>

#include "beans/qrv_resitem.h"
#include "cli/support.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"

namespace cli {
namespace {

bool TreeHoldsGroup(const reference_host::SubProjectImpl* node, const std::string& id) {
  if (node->GetGroupedItemSet()->FindGroupById(id)) return true;
  for (int i = 0; i < node->GetChildCount(); ++i)
    if (TreeHoldsGroup(node->GetChild(i), id)) return true;
  return false;
}

void AppendBudgetLines(const reference_host::SubEngineeringImpl* item,
                       std::vector<engine::ResItem*>& lines) {
  if (const reference_host::ResItemListImpl* list = item->budget_list())
    for (int i = 0; i < list->size(); ++i) lines.push_back(list->item(i));
  for (int i = 0; i < item->GetChildCount(); ++i) AppendBudgetLines(item->child(i), lines);
}

void AppendBudgetLines(const reference_host::SubProjectImpl* node,
                       std::vector<engine::ResItem*>& lines) {
  for (int i = 0; i < node->GetSubEngineeringCount(); ++i)
    AppendBudgetLines(node->GetSubEngineering(i), lines);
  for (int i = 0; i < node->GetChildCount(); ++i) AppendBudgetLines(node->GetChild(i), lines);
}

}  // namespace

std::unique_ptr<MatchSession> MatchSession::Open(reference_host::AppDocumentImpl* document,
                                                 const std::string& sub_project_id,
                                                 const std::vector<std::string>& group_ids,
                                                 std::string* error) {
  engine::DocumentObject* object = document->FindObjectById(sub_project_id);
  auto* sub_project = dynamic_cast<reference_host::SubProjectImpl*>(object);
  if (!sub_project) {
    *error = "--sub-project: " + (object ? "'" + sub_project_id + "' is a " + DescribeKind(object)
                                         : "no object with id '" + sub_project_id + "'");
    return nullptr;
  }
  for (const std::string& id : group_ids) {
    if (!TreeHoldsGroup(sub_project, id)) {
      *error = "--groups: no contract group '" + id + "' in the sub-project tree of '" +
               sub_project_id + "'";
      return nullptr;
    }
  }
  std::unique_ptr<MatchSession> session(new MatchSession());
  session->document_ = document;
  session->sub_project_id_ = sub_project_id;
  session->context_.sub_project = sub_project;
  session->context_.group_ids = group_ids;
  marrow::qrv::QRVCollectMatchData().Collect(session->context_);
  for (const auto& [merged, sources] : session->context_.merged_sources)
    for (const auto& source : sources) session->merged_by_id_.emplace(source->GetId(), merged);
  for (const SummaryRef& summary : session->context_.summaries)
    for (const std::string& id : MemberIds(summary)) session->summary_by_id_.emplace(id, summary);
  return session;
}

std::string MatchSession::NameOf(const MergedItemRef& merged) const {
  auto found = context_.merged_sources.find(merged);
  return found == context_.merged_sources.end() || found->second.empty()
             ? std::string()
             : found->second.front()->GetId();
}

std::string MatchSession::NameOf(const SummaryRef& summary) const {
  engine::ResItem* first = summary ? summary->GetDetailResItem(0) : nullptr;
  return first ? first->GetId() : std::string();
}

MergedItemRef MatchSession::FindMerged(const std::string& id) const {
  auto found = merged_by_id_.find(id);
  return found == merged_by_id_.end() ? nullptr : found->second;
}

SummaryRef MatchSession::FindSummary(const std::string& id) const {
  auto found = summary_by_id_.find(id);
  return found == summary_by_id_.end() ? nullptr : found->second;
}

std::vector<engine::ResItem*> MatchSession::BudgetLines() const {
  std::vector<engine::ResItem*> lines;
  AppendBudgetLines(dynamic_cast<reference_host::SubProjectImpl*>(context_.sub_project), lines);
  return lines;
}

ResourceText DescribeMerged(const MergedItemRef& merged) {
  return {TextField(merged.get(), "BRICode"), TextField(merged.get(), "BRIName"),
          TextField(merged.get(), "BRISpec"), TextField(merged.get(), "BRIUnit"),
          TextField(merged.get(), "BRIType")};
}

ResourceText DescribeSummary(const SummaryRef& summary) {
  engine::ResItem* line = summary->GetDetailResItem(0);
  return {TextField(line, "BRICode"), TextField(line, "BRIName"), TextField(line, "BRISpec"),
          TextField(line, "BRIUnit"), line ? line->GetResType() : std::string()};
}

double QuantityOf(const MergedItemRef& merged) {
  double quantity = 0.0;
  return merged->GetQuantity(quantity) ? quantity : std::numeric_limits<double>::quiet_NaN();
}

double QuantityOf(const SummaryRef& summary) {
  double quantity = 0.0;
  return summary->GetQuantity(quantity) ? quantity : std::numeric_limits<double>::quiet_NaN();
}

std::vector<std::string> SourceIds(const marrow::qrv::RCJMatchingContext& context,
                                   const MergedItemRef& merged) {
  std::vector<std::string> ids;
  auto found = context.merged_sources.find(merged);
  if (found != context.merged_sources.end())
    for (const auto& source : found->second) ids.push_back(source->GetId());
  return ids;
}

std::vector<std::string> MemberIds(const SummaryRef& summary) {
  std::vector<std::string> ids;
  for (int i = 0; i < summary->GetDetailCount(); ++i)
    ids.push_back(summary->GetDetailResItem(i)->GetId());
  return ids;
}

std::string LinkedEntryId(engine::ResItem* line) {
  engine::qrv::QRVResItem* cost = marrow::qrv::QRVResItemBean(line).GetLinkedCBRes();
  engine::qrv::QRVBaseResItem* entry = cost ? cost->GetBaseResItem() : nullptr;
  return entry ? entry->GetId() : std::string();
}

}  // namespace cli
