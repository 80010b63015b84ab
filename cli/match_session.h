// One matching run of the program over a loaded document: the library's
// matching context for a sub-project and its chosen forms, with the names a
// person uses for its two sides. A merged contract entry is named by the id
// of its first source entry, a budget summary by the id of its first member
// line; both can also be found by any other source or member id. Names stay
// the same from one run to the next on an unchanged document.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "funcs/rcj_matching/qrv_collect_match_data.h"
#include "reference_host/app/app_document_impl.h"

namespace cli {

using marrow::qrv::MergedItemRef;
using marrow::qrv::SummaryRef;

class MatchSession {
 public:
  // Collects over |sub_project_id| and |group_ids|. Null, with |error|
  // naming the option, for an id that is no sub-project or a form id that
  // no sub-project of the tree holds.
  static std::unique_ptr<MatchSession> Open(reference_host::AppDocumentImpl* document,
                                            const std::string& sub_project_id,
                                            const std::vector<std::string>& group_ids,
                                            std::string* error);

  marrow::qrv::RCJMatchingContext& context() { return context_; }
  const marrow::qrv::RCJMatchingContext& context() const { return context_; }
  reference_host::AppDocumentImpl& document() const { return *document_; }
  const std::string& sub_project_id() const { return sub_project_id_; }

  std::string NameOf(const MergedItemRef& merged) const;
  std::string NameOf(const SummaryRef& summary) const;
  // By any source (member) id; null for none.
  MergedItemRef FindMerged(const std::string& id) const;
  SummaryRef FindSummary(const std::string& id) const;

  // Every budget line of the sub-project tree, in the order the engine
  // walks them (the lines a summary could hold).
  std::vector<engine::ResItem*> BudgetLines() const;

 private:
  MatchSession() = default;

  reference_host::AppDocumentImpl* document_ = nullptr;
  std::string sub_project_id_;
  marrow::qrv::RCJMatchingContext context_;
  std::map<std::string, MergedItemRef> merged_by_id_;
  std::map<std::string, SummaryRef> summary_by_id_;
};

// Texts of a resource as people read it: the fields of a merged entry, or
// of a summary's first line.
struct ResourceText {
  std::string code, name, model, unit, type;
};
ResourceText DescribeMerged(const MergedItemRef& merged);
ResourceText DescribeSummary(const SummaryRef& summary);
// The quantity, or NaN when there is none.
double QuantityOf(const MergedItemRef& merged);
double QuantityOf(const SummaryRef& summary);
std::vector<std::string> SourceIds(const marrow::qrv::RCJMatchingContext& context,
                                   const MergedItemRef& merged);
std::vector<std::string> MemberIds(const SummaryRef& summary);

// The id of the contract entry whose cost line links |line| now ("" for
// none).
std::string LinkedEntryId(engine::ResItem* line);

}  // namespace cli
