// Answers to the two questions people ask about a match: why two budget
// summaries that look alike are not one resource (and why a line takes no
// part at all), and which contract entries an unpaired summary most likely
// is.
#pragma once

#include <string>
#include <vector>

#include "cli/match_session.h"

namespace cli {

// Two summaries sharing a code or a name, and what keeps them apart: the
// defining fields that differ ("BRIExcludedTaxFee 400 vs 410") or the link
// suffix ("linked to e-1 vs not linked"). Which fields are defining is
// asked of the library's fingerprint itself.
struct Apart {
  std::string first, second;
  std::vector<std::string> reasons;
};
std::vector<Apart> ExplainApart(const MatchSession& session);

// Budget lines of the scope that no summary holds, with the reason.
struct LeftOut {
  std::string line;
  std::string reason;
};
std::vector<LeftOut> ExplainLeftOut(const MatchSession& session);

// A contract candidate for a summary. Score 0-100: the same code 50, name
// likeness (character pairs shared) up to 25, the same model 10, the same
// unit (ignoring case) 15. Ranked exact code first, then by score.
struct Candidate {
  MergedItemRef entry;
  int score = 0;
  bool same_code = false;
  std::string reason;
};
struct Suggestion {
  SummaryRef summary;
  std::vector<Candidate> candidates;  // best first, at most |limit|
};
// For each summary that |paired| leaves out.
std::vector<Suggestion> Suggest(const MatchSession& session, const marrow::qrv::MatchLinks& paired,
                                size_t limit = 3);

}  // namespace cli
