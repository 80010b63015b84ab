// Matching over random documents: applying the pairing that exists changes
// nothing, and after any pairing every wanted pair is represented on the
// cost side while no unwanted link remains.
#include <algorithm>

#include "tests/funcs/rcj_matching/matching_test_support.h"

namespace {

using namespace test_support;

// A whole project of one to three unit projects. Each has its own form of
// entries standing for master entries of the project, and bills whose budget
// lines carry distinct codes, so a summary has at most one line per bill and
// a release of a bill's first line frees the whole bill. Some bills also get
// a "twin": a line of the same fields drawn from another budget entry, which
// takes the collect path. Some lines start linked to an entry of their own
// sub-project's form, some partly collected into one. (A line linked to an
// entry of another sub-project is released only where that sub-project
// holds a source; such documents are left out here.)
struct MatchingDocument {
  std::unique_ptr<reference_host::AppDocumentImpl> doc;
  std::vector<std::string> group_ids;
};

MatchingDocument DrawMatchingDocument() {
  const std::vector<std::string> codes = {"C1", "C2", "C3", "Z1", "F1", "R1"};
  const std::vector<std::string> units = {"m", "km", "千米", "t", "kg", "吨", "块", "千块"};
  std::map<std::string, std::string> unit_of;
  for (const std::string& code : codes) unit_of[code] = *rc::gen::elementOf(units);

  MatchingDocument drawn;
  DocumentBuilder builder("p");
  builder.CostAccount("ca1", "01", "Civil").CostAccount("ca2", "02", "Steel");
  builder.ContractGroup("master", "MaterialForm");
  const int masters = *rc::gen::inRange(1, 4);
  for (int m = 0; m < masters; ++m)
    builder.ContractEntry("m" + std::to_string(m), "M" + std::to_string(m));
  const int subs = *rc::gen::inRange(1, 4);
  for (int s = 0; s < subs; ++s) {
    const std::string sp = "sp" + std::to_string(s);
    builder.SubProject(sp, "Sub " + std::to_string(s)).LocalGroup("mat-" + sp, "MaterialForm");
    drawn.group_ids.push_back("mat-" + sp);
    std::vector<std::string> entries;
    const int count = *rc::gen::inRange(1, 4);
    for (int e = 0; e < count; ++e) {
      const std::string id = "e-" + sp + "-" + std::to_string(e);
      builder.ContractEntry(id, "K" + std::to_string(e))
          .WithIdentity("m" + std::to_string(*rc::gen::inRange(0, masters)))
          .WithUnit(*rc::gen::elementOf(units));
      const int account = *rc::gen::inRange(0, 3);
      if (account > 0) builder.WithCostAccount("ca" + std::to_string(account));
      entries.push_back(id);
    }
    const int bills = *rc::gen::inRange(1, 4);
    for (int k = 0; k < bills; ++k) {
      const std::string bill = "b-" + sp + "-" + std::to_string(k);
      builder.Bill(bill, *rc::gen::element(1.0, 2.0, 2.5, 4.0));
      std::vector<std::string> lines;
      for (const std::string& code : codes) {
        if (!*rc::gen::arbitrary<bool>()) continue;
        const std::string line = "y-" + bill + "-" + code;
        builder.BudgetLine(line, *rc::gen::element(1.0, 2.0, 3.5, 6.0), code)
            .WithResType(code.substr(0, 1))
            .WithUnit(unit_of[code]);
        if (*rc::gen::arbitrary<bool>()) builder.WithYSCostAccount("ca1");
        lines.push_back(line);
      }
      if (lines.empty()) continue;
      const std::string first_code = lines.front().substr(lines.front().size() - 2);
      if (*rc::gen::arbitrary<bool>()) {
        builder.BudgetLine("t-" + bill, 1.5, first_code + "T")
            .WithResType(first_code.substr(0, 1))
            .WithUnit(unit_of[first_code])
            .WithField("BRICode", first_code);
      }
      // Twins are never linked or collected beforehand.
      const size_t pick = *rc::gen::inRange<size_t>(0, lines.size());
      const int state = *rc::gen::inRange(0, 3);
      if (state == 1) {
        builder.CostLine("cb-" + bill, *rc::gen::elementOf(entries))
            .Link("cb-" + bill, lines[pick]);
      } else if (state == 2) {
        builder.CostLine("cp-" + bill, *rc::gen::elementOf(entries))
            .Collect(lines[pick], "cp-" + bill, 0.5);
      }
    }
  }
  drawn.doc = builder.Build();
  return drawn;
}

RCJMatchingContext CollectAll(const MatchingDocument& drawn) {
  RCJMatchingContext context;
  context.sub_project = drawn.doc->Find<engine::qrv::QRVSubProject>("p/root");
  context.group_ids = drawn.group_ids;
  marrow::qrv::QRVCollectMatchData().Collect(context);
  return context;
}

std::string TextOf(const MatchingDocument& drawn) {
  return reference_host::SaveDocumentText(*drawn.doc->document());
}

RC_GTEST_PROP(MatchingProperties, ApplyingTheCurrentPairingLeavesTheDocumentAsItWas, ()) {
  MatchingDocument drawn = DrawMatchingDocument();
  RCJMatchingContext context = CollectAll(drawn);
  context.wanted_links = context.current_links;
  const std::string before = TextOf(drawn);
  marrow::qrv::QRVBuildRCJ().Apply(context);
  RC_ASSERT(TextOf(drawn) == before);
}

// The bill (node kind 2) a budget line stands in.
engine::qrv::QRVSubEngineering* BillOf(engine::ResItem* line) {
  engine::SubEngineering* node = line->GetSourceRef().GetSubEngineering();
  while (node && node->GetNodeKind() != engine::kNodeKindBill) node = node->GetParent();
  return dynamic_cast<engine::qrv::QRVSubEngineering*>(node);
}

// Cost lines of |line|'s bill that stand on one of |sources| and link it,
// or hold a part of it.
struct Representation {
  bool linked = false;
  bool collected = false;
};
Representation RepresentedBy(engine::ResItem* line,
                             const std::set<engine::qrv::QRVBaseResItem*>& sources) {
  Representation found;
  engine::ResItemList* list = BillOf(line)->GetCBResItemList();
  std::vector<engine::qrv::QRVResItem*> parts_in;
  marrow::qrv::QRVResItemBean(line).GetCollectedCBResItem(parts_in);
  for (int i = 0; list && i < list->GetCount(); ++i) {
    auto* cost = dynamic_cast<engine::qrv::QRVResItem*>(list->GetAt(i));
    if (!cost || !sources.count(cost->GetBaseResItem())) continue;
    found.linked = found.linked || cost->IsLinkedTo(line);
    found.collected =
        found.collected || std::find(parts_in.begin(), parts_in.end(), cost) != parts_in.end();
  }
  return found;
}

bool SubProjectHolds(engine::ResItem* line, const std::set<engine::qrv::QRVBaseResItem*>& sources) {
  engine::SubProject* sub_project = BillOf(line)->GetSubProject();
  for (engine::qrv::QRVBaseResItem* source : sources)
    if (source->GetGroup()->GetOwnerSubProject()->GetSubProject() == sub_project) return true;
  return false;
}

RC_GTEST_PROP(MatchingProperties, AfterAnyPairingWantedPairsAreRepresentedAndUnwantedLinksGone,
              ()) {
  MatchingDocument drawn = DrawMatchingDocument();
  RCJMatchingContext context = CollectAll(drawn);
  // A person's pairing: each summary with at most one merged entry.
  for (const SummaryRef& summary : context.summaries) {
    if (context.merged_items.empty() || *rc::gen::inRange(0, 3) == 0) continue;
    context.wanted_links[*rc::gen::elementOf(context.merged_items)].insert(summary);
  }
  marrow::qrv::QRVBuildRCJ().Apply(context);

  auto sources_of = [&](const MergedItemRef& merged) {
    std::set<engine::qrv::QRVBaseResItem*> sources;
    for (const auto& source : context.merged_sources.at(merged)) sources.insert(source.get());
    return sources;
  };
  for (const auto& [merged, summaries] : context.wanted_links) {
    const auto sources = sources_of(merged);
    for (const SummaryRef& summary : summaries) {
      for (int i = 0; i < summary->GetDetailCount(); ++i) {
        engine::ResItem* line = summary->GetDetailResItem(i);
        if (!SubProjectHolds(line, sources)) continue;
        const Representation found = RepresentedBy(line, sources);
        RC_ASSERT(found.linked || found.collected);
      }
    }
  }
  for (const auto& [merged, summaries] : context.current_links) {
    const auto sources = sources_of(merged);
    auto wanted = context.wanted_links.find(merged);
    for (const SummaryRef& summary : summaries) {
      if (wanted != context.wanted_links.end() && wanted->second.count(summary)) continue;
      for (int i = 0; i < summary->GetDetailCount(); ++i)
        RC_ASSERT(!RepresentedBy(summary->GetDetailResItem(i), sources).linked);
    }
  }
}

}  // namespace
