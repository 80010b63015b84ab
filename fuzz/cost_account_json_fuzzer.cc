// Fuzzes the library's JSON entry point: the cost account documents a
// sub-project keeps in "QRV_CostAccount" and "QRV_YSCostAccount", which
// CostAccountGroupFunc::UpdateLocalCostAccount re-points from a source
// project's tree to the local one (docs/cost_accounts.md). The text of the
// fields is the input, on a fixed pair of projects. Checked:
//  - each field holds exactly what re-pointing its JSON member by member
//    gives (account ids of the source tree become the local ids with the
//    same code; member names, other members and non-matches stay; compact
//    form), or, when the text is not JSON, has a member that is not a
//    string or cannot be written back, stays as it was with one error line;
//  - with bit 2 of byte 0 the same text also goes through the bill item
//    forms (one id in "QRV_CostAccount", "QRV_YSCostAccount",
//    "QRV_BillStage");
//  - the document still saves, loads and saves the same.
//
// Input: byte 0 bits 0-1 choose the fields: 0 "QRV_CostAccount", 1
// "QRV_YSCostAccount", 2 both, 3 "QRV_CostAccount" and a fixed good document
// in the other; the rest is the field text.
#include <glog/logging.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "funcs/cost_account/bill_stage_group_func.h"
#include "funcs/cost_account/qrv_service.h"
#include "fuzz/fuzz_support.h"
#include "reference_host/builder/document_builder.h"
#include "reference_host/model/bill_stage_impl.h"
#include "reference_host/model/cost_account_group_impl.h"
#include "reference_host/model/field_container_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"

namespace {

using nlohmann::json;
using reference_host::DocumentBuilder;
using reference_host::keys::kBillStage;
using reference_host::keys::kCostAccount;
using reference_host::keys::kYSCostAccount;

constexpr char kGoodDocument[] = R"({"civil":"s-civil","steel":"s-steel","none":"s-misc"})";

// Counts the error lines written while it lives.
class ErrorCount : public google::LogSink {
 public:
  ErrorCount() { google::AddLogSink(this); }
  ~ErrorCount() override { google::RemoveLogSink(this); }
  using google::LogSink::send;
  void send(google::LogSeverity severity, const char*, const char*, int,
            const google::LogMessageTime&, const char*, size_t) override {
    std::lock_guard<std::mutex> hold(lock_);
    if (severity == google::GLOG_ERROR) ++count_;
  }
  int count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return count_;
  }

 private:
  mutable std::mutex lock_;
  int count_ = 0;
};

// The source project: the same codes as the local one under other ids, a
// code the local tree lacks (09), one whose local id is not UTF-8 (07),
// and a code shared by two local accounts (05).
std::unique_ptr<reference_host::AppDocumentImpl>& Source() {
  static auto* source = new std::unique_ptr<reference_host::AppDocumentImpl>(
      DocumentBuilder("source")
          .CostAccount("s-civil", "01", "Civil")
          .CostAccount("s-steel", "0101", "Steel", "s-civil")
          .CostAccount("s-misc", "09", "Misc")
          .CostAccount("s-odd", "07", "Odd")
          .CostAccount("s-twice", "05", "Twice")
          .CostAccount("\xe6\xb7\xb7", "0102", "Works", "s-civil")
          .BillStage("s-st1", "Stage 1")
          .BillStage("s-st9", "Stage 9")
          .Build());
  return *source;
}

std::unique_ptr<reference_host::AppDocumentImpl> Local() {
  return DocumentBuilder("local")
      .CostAccount("l-civil", "01", "Civil")
      .CostAccount("l-steel", "0101", "Steel", "l-civil")
      .CostAccount("l-works", "0102", "Works", "l-civil")
      .CostAccount("l-\xfe", "07", "Odd")
      .CostAccount("l-five-a", "05", "Five")
      .CostAccount("l-five-b", "05", "Five again")
      .BillStage("l-st1", "Stage 1")
      .SubProject("sp1", "Building")
      .Bill("b1", 1)
      .Build();
}

// What re-pointing |text| must give: the new text, or nullopt when the
// field must stay as it was (and one error be logged).
std::optional<std::string> Repointed(const std::string& text,
                                     engine::qrv::QRVCostAccountGroup* local,
                                     engine::qrv::QRVCostAccountGroup* other) {
  try {
    json document = json::parse(text);
    const auto repoint = [&](json& member) {
      engine::qrv::QRVCostAccount* theirs = other->FindCostAccountById(member.get<std::string>());
      if (!theirs) return;
      if (engine::qrv::QRVCostAccount* ours = local->FindCostAccountByCode(theirs->GetCode()))
        member = ours->GetId();
    };
    if (document.is_structured()) {
      for (json& member : document) repoint(member);
    } else if (!document.is_null()) {
      repoint(document);
    }
    return document.dump();
  } catch (const json::exception&) {
    return std::nullopt;
  }
}

// The bill item form: one id.
std::string RepointedId(const std::string& id, engine::qrv::QRVCostAccountGroup* local,
                        engine::qrv::QRVCostAccountGroup* other) {
  engine::qrv::QRVCostAccount* theirs = id.empty() ? nullptr : other->FindCostAccountById(id);
  engine::qrv::QRVCostAccount* ours =
      theirs ? local->FindCostAccountByCode(theirs->GetCode()) : nullptr;
  return ours ? ours->GetId() : id;
}

std::string RepointedStage(const std::string& id, engine::qrv::QRVBillStageGroup* local,
                           engine::qrv::QRVBillStageGroup* other) {
  engine::qrv::QRVBillStage* theirs = id.empty() ? nullptr : other->FindBillStageById(id);
  engine::qrv::QRVBillStage* ours =
      theirs ? local->FindBillStageByName(theirs->GetName()) : nullptr;
  return ours ? ours->GetId() : id;
}

void Expect(reference_host::FieldContainerImpl* fields, const char* key, const std::string& want,
            const std::string& before) {
  const std::string got = fields->GetText(key);
  if (got != want)
    fuzz::Fail(std::string(key) + " holds other text than re-pointing gives",
               "before: " + before + "\nwant:   " + want + "\ngot:    " + got);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::QuietLibraryLogging();
  Source();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int mode = data[0];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::unique_ptr<reference_host::AppDocumentImpl> local = Local();
  reference_host::ProjectImpl* project = local->project();
  reference_host::CostAccountGroupImpl* ours = project->cost_accounts();
  reference_host::CostAccountGroupImpl* theirs = Source()->project()->cost_accounts();
  auto* sub_project = local->document()->Find<reference_host::SubProjectImpl>("sp1");
  reference_host::FieldContainerImpl* fields = sub_project->fields();

  std::string account_text, ys_text;
  switch (mode & 3) {
    case 0:
      account_text = text;
      break;
    case 1:
      ys_text = text;
      break;
    case 2:
      account_text = ys_text = text;
      break;
    default:
      account_text = text;
      ys_text = kGoodDocument;
      break;
  }
  if (!account_text.empty()) fields->SetText(kCostAccount, account_text);
  if (!ys_text.empty()) fields->SetText(kYSCostAccount, ys_text);

  int failures = 0;
  const auto want = [&](const std::string& before) {
    if (before.empty()) return before;
    std::optional<std::string> after = Repointed(before, ours, theirs);
    failures += !after;
    return after ? *after : before;
  };
  const std::string account_want = want(account_text), ys_want = want(ys_text);
  {
    ErrorCount errors;
    marrow::qrv::CostAccountGroupFunc(ours).UpdateLocalCostAccount(sub_project, theirs);
    if (errors.count() != failures)
      fuzz::Fail("error lines: " + std::to_string(errors.count()) +
                 ", fields left alone: " + std::to_string(failures));
  }
  Expect(fields, kCostAccount, account_want, account_text);
  Expect(fields, kYSCostAccount, ys_want, ys_text);

  if (mode & 4) {
    reference_host::FieldContainerImpl* bill =
        local->document()->Find<reference_host::SubEngineeringImpl>("b1")->fields();
    for (const char* key : {kCostAccount, kYSCostAccount, kBillStage}) bill->SetText(key, text);
    marrow::qrv::CostAccountGroupFunc(ours).UpdateLocalCostAccount(bill, theirs);
    marrow::qrv::BillStageGroupFunc(project->bill_stages())
        .UpdateLocalBillStage(bill, Source()->project()->bill_stages());
    Expect(bill, kCostAccount, RepointedId(text, ours, theirs), text);
    Expect(bill, kYSCostAccount, RepointedId(text, ours, theirs), text);
    Expect(bill, kBillStage,
           RepointedStage(text, project->bill_stages(), Source()->project()->bill_stages()), text);
  }

  fuzz::CheckReloads(fuzz::SaveText(*local), "the re-pointed document");
  return 0;
}
