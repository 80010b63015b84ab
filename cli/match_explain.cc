#include "cli/match_explain.h"

#include <algorithm>
#include <map>
#include <set>

#include "beans/qrv_resitem.h"
#include "cli/support.h"
#include "host/base/string_util.h"
#include "host/engine/field_container.h"
#include "reference_host/model/res_item_impl.h"

namespace cli {
namespace {

// At most this many summaries of one code or name are compared pairwise.
constexpr size_t kMostAlike = 30;

// Whether the library's fingerprint of budget lines reads |key|: two bare
// lines that differ only there either print alike or not.
bool IsDefiningKey(const std::string& key) {
  static std::map<std::string, bool> known;
  auto found = known.find(key);
  if (found != known.end()) return found->second;
  scoped_refptr<reference_host::ResItemImpl> a(new reference_host::ResItemImpl("probe-a"));
  scoped_refptr<reference_host::ResItemImpl> b(new reference_host::ResItemImpl("probe-b"));
  a->fields()->SetText(key, "a");
  b->fields()->SetText(key, "b");
  marrow::qrv::QRVDesResItemFingerprint fingerprint;
  const bool defining = fingerprint.GetFingerprint(a.get()) != fingerprint.GetFingerprint(b.get());
  known.emplace(key, defining);
  return defining;
}

std::string ValueText(const engine::FieldContainer::FieldMap& fields, const std::string& key) {
  auto found = fields.find(key);
  if (found == fields.end() || found->second.IsEmpty()) return "(none)";
  const engine::FieldValue& value = found->second;
  if (value.IsText()) return "\"" + value.GetString() + "\"";
  if (value.IsDouble()) return Num(value.GetDouble(), 6);
  if (value.IsInt()) return std::to_string(value.GetInt());
  return value.GetBool() ? "true" : "false";
}

std::vector<std::string> Differences(engine::ResItem* a, engine::ResItem* b) {
  const auto& fa = a->GetFieldContainer()->GetAllFields();
  const auto& fb = b->GetFieldContainer()->GetAllFields();
  std::set<std::string> keys;
  for (const auto& [key, value] : fa) keys.insert(key);
  for (const auto& [key, value] : fb) keys.insert(key);
  std::vector<std::string> reasons;
  for (const std::string& key : keys) {
    const std::string va = ValueText(fa, key);
    const std::string vb = ValueText(fb, key);
    if (va != vb && IsDefiningKey(key)) reasons.push_back(key + " " + va + " vs " + vb);
  }
  const std::string la = LinkedEntryId(a);
  const std::string lb = LinkedEntryId(b);
  if (la != lb) {
    auto linked = [](const std::string& id) {
      return id.empty() ? std::string("not linked") : "linked to " + id;
    };
    reasons.push_back(linked(la) + " vs " + linked(lb));
  }
  if (reasons.empty()) reasons.push_back("no defining difference found");
  return reasons;
}

// Code points of UTF-8 text; a byte that starts no valid sequence stands
// for itself.
std::vector<uint32_t> CodePoints(const std::string& text) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = text[i];
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 1;
    if (i + length > text.size()) {
      points.push_back(lead);
      ++i;
      continue;
    }
    uint32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) point = (point << 6) | (text[i + k] & 0x3F);
    points.push_back(point);
    i += length;
  }
  return points;
}

// Dice coefficient of the character pairs of two names (1 for equal names).
double NameLikeness(const std::string& a, const std::string& b) {
  if (a == b) return a.empty() ? 0.0 : 1.0;
  const std::vector<uint32_t> pa = CodePoints(base::ToLower(a));
  const std::vector<uint32_t> pb = CodePoints(base::ToLower(b));
  if (pa.size() < 2 || pb.size() < 2) return pa == pb ? 1.0 : 0.0;
  std::map<std::pair<uint32_t, uint32_t>, int> pairs;
  for (size_t i = 0; i + 1 < pa.size(); ++i) ++pairs[{pa[i], pa[i + 1]}];
  int shared = 0;
  for (size_t i = 0; i + 1 < pb.size(); ++i) {
    auto found = pairs.find({pb[i], pb[i + 1]});
    if (found != pairs.end() && found->second > 0) {
      --found->second;
      ++shared;
    }
  }
  return 2.0 * shared / static_cast<double>(pa.size() + pb.size() - 2);
}

Candidate Score(const ResourceText& want, const MergedItemRef& merged) {
  const ResourceText have = DescribeMerged(merged);
  Candidate candidate{merged, 0, false, ""};
  std::vector<std::string> reasons;
  if (!want.code.empty() && want.code == have.code) {
    candidate.same_code = true;
    candidate.score += 50;
    reasons.push_back("same code " + have.code);
  }
  const double likeness = NameLikeness(want.name, have.name);
  candidate.score += static_cast<int>(likeness * 25 + 0.5);
  if (likeness >= 1.0)
    reasons.push_back("same name");
  else if (likeness > 0)
    reasons.push_back("name " + std::to_string(static_cast<int>(likeness * 100 + 0.5)) + "% alike");
  if (want.model == have.model) {
    candidate.score += 10;
    if (!want.model.empty()) reasons.push_back("same model");
  } else {
    reasons.push_back("model " + (want.model.empty() ? "-" : want.model) + " vs " +
                      (have.model.empty() ? "-" : have.model));
  }
  if (base::ToLower(want.unit) == base::ToLower(have.unit)) {
    candidate.score += 15;
    reasons.push_back("same unit " + have.unit);
  } else {
    reasons.push_back("unit " + want.unit + " vs " + have.unit);
  }
  for (size_t i = 0; i < reasons.size(); ++i) candidate.reason += (i ? "; " : "") + reasons[i];
  return candidate;
}

}  // namespace

std::vector<Apart> ExplainApart(const MatchSession& session) {
  std::map<std::string, std::vector<SummaryRef>> alike;
  for (const SummaryRef& summary : session.context().summaries) {
    const ResourceText text = DescribeSummary(summary);
    if (!text.code.empty()) alike["code " + text.code].push_back(summary);
    if (!text.name.empty()) alike["name " + text.name].push_back(summary);
  }
  std::vector<Apart> out;
  std::set<std::pair<std::string, std::string>> seen;
  for (const auto& [key, summaries] : alike) {
    const size_t count = std::min(summaries.size(), kMostAlike);
    for (size_t i = 0; i < count; ++i) {
      for (size_t j = i + 1; j < count; ++j) {
        const std::string a = session.NameOf(summaries[i]);
        const std::string b = session.NameOf(summaries[j]);
        if (!seen.insert({a, b}).second) continue;
        out.push_back(
            {a, b,
             Differences(summaries[i]->GetDetailResItem(0), summaries[j]->GetDetailResItem(0))});
      }
    }
  }
  return out;
}

std::vector<LeftOut> ExplainLeftOut(const MatchSession& session) {
  std::vector<LeftOut> out;
  for (engine::ResItem* line : session.BudgetLines()) {
    if (session.FindSummary(line->GetId())) continue;
    const marrow::qrv::QRVResItemBean view(line);
    const std::string type = line->GetResType();
    std::string reason;
    if (type != "C" && type != "Z" && type != "F")
      reason =
          "type " + (type.empty() ? std::string("(none)") : type) + ": only C, Z and F are matched";
    else if (view.IsCollected())
      reason = "collected into cost lines";
    else if (view.GetResItemCollectCopy())
      reason = "a collected part";
    else
      reason = "not taken by the fingerprint";
    out.push_back({line->GetId(), reason});
  }
  return out;
}

std::vector<Suggestion> Suggest(const MatchSession& session, const marrow::qrv::MatchLinks& paired,
                                size_t limit) {
  std::set<engine::ResItem*> taken;
  for (const auto& [merged, summaries] : paired)
    for (const SummaryRef& summary : summaries) taken.insert(summary.get());
  std::vector<Suggestion> out;
  for (const SummaryRef& summary : session.context().summaries) {
    if (taken.count(summary.get())) continue;
    const ResourceText want = DescribeSummary(summary);
    Suggestion suggestion{summary, {}};
    for (const MergedItemRef& merged : session.context().merged_items) {
      Candidate candidate = Score(want, merged);
      if (candidate.score > 0) suggestion.candidates.push_back(std::move(candidate));
    }
    std::sort(suggestion.candidates.begin(), suggestion.candidates.end(),
              [&session](const Candidate& a, const Candidate& b) {
                if (a.same_code != b.same_code) return a.same_code;
                if (a.score != b.score) return a.score > b.score;
                return session.NameOf(a.entry) < session.NameOf(b.entry);
              });
    if (suggestion.candidates.size() > limit) suggestion.candidates.resize(limit);
    out.push_back(std::move(suggestion));
  }
  return out;
}

}  // namespace cli
