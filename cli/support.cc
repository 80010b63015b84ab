#include "cli/support.h"

#include <glog/logging.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/progress_line.h"
#include "cli/text_table.h"
#include "host/base/string_util.h"
#include "host/engine/field_container.h"
#include "host/engine/field_value.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/bill_stage_impl.h"
#include "reference_host/model/cost_account_group_impl.h"
#include "reference_host/model/cost_account_impl.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/table_impl.h"
#include "reference_host/persist/document_json.h"

namespace cli {
namespace {

bool IsFolder(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::string Num(double value, int digits) {
  return base::ToPlainStringWithStripTrailingZeros(value, digits);
}

std::string DescribeKind(const engine::DocumentObject* object) {
  if (!object) return "nothing";
  if (auto* line = dynamic_cast<const reference_host::ResItemImpl*>(object)) {
    if (const reference_host::ResItemListImpl* list = line->owner_list())
      return list->side() == reference_host::ResItemListImpl::Side::kBudget ? "budget line"
                                                                            : "cost line";
    return line->GetCollect() ? "collected part" : "free resource line";
  }
  if (auto* item = dynamic_cast<const reference_host::SubEngineeringImpl*>(object)) {
    switch (item->GetNodeKind()) {
      case engine::kNodeKindBill:
        return "bill";
      case engine::kNodeKindEntry:
      case engine::kNodeKindSubEntry:
        return "bill entry";
      default:
        return "measure item";
    }
  }
  if (auto* entry = dynamic_cast<const reference_host::BaseResItemImpl*>(object))
    return entry->group() ? "contract entry" : "budget entry";
  if (dynamic_cast<const reference_host::SubProjectImpl*>(object)) return "sub-project";
  if (dynamic_cast<const reference_host::CostAccountImpl*>(object)) return "cost account";
  if (dynamic_cast<const reference_host::CostAccountGroupImpl*>(object)) return "cost account tree";
  if (dynamic_cast<const reference_host::BillStageImpl*>(object)) return "bill stage";
  if (dynamic_cast<const reference_host::BillStageGroupImpl*>(object)) return "bill stage list";
  if (dynamic_cast<const reference_host::BaseResItemGroupImpl*>(object)) return "contract group";
  if (dynamic_cast<const reference_host::TupleImpl*>(object)) return "table row";
  if (dynamic_cast<const reference_host::TableImpl*>(object)) return "table";
  if (dynamic_cast<const reference_host::ResSummaryImpl*>(object)) return "resource summary";
  if (dynamic_cast<const reference_host::ProjectImpl*>(object)) return "project";
  return "object";
}

std::string TextField(const engine::DocumentObject* object, const std::string& key) {
  engine::FieldValue value;
  if (!object || !object->GetFieldContainer() ||
      !object->GetFieldContainer()->GetFieldValue(key, value))
    return "";
  return value.GetString();
}

std::unique_ptr<reference_host::AppDocumentImpl> LoadDocument(const std::string& path,
                                                              std::string* error) {
  // A folder opens as a stream that reads nothing, which the parser would
  // call a JSON error.
  if (IsFolder(path)) {
    *error = path + ": is a directory, not a document file";
    return nullptr;
  }
  ProgressLine progress("loading " + path);
  reference_host::LoadResult result = reference_host::LoadDocumentFile(path, progress.Callback());
  if (!result) {
    // File errors name the file already.
    *error =
        result.error.compare(0, path.size(), path) == 0 ? result.error : path + ": " + result.error;
    return nullptr;
  }
  return std::move(result.document);
}

bool ReadTextFile(const std::string& path, std::string* text, std::string* error) {
  if (IsFolder(path)) {
    *error = path + ": is a directory, not a file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  std::ostringstream read;
  read << in.rdbuf();
  if (in.bad()) {
    *error = path + ": cannot read: " + std::strerror(errno);
    return false;
  }
  *text = read.str();
  return true;
}

std::string SaveDocument(const reference_host::AppDocumentImpl& document, const std::string& path,
                         bool compact) {
  std::string error;
  ProgressLine progress("saving " + path);
  reference_host::SaveOptions options;
  options.compact = compact;
  options.progress = progress.Callback();
  if (reference_host::SaveDocumentFile(*document.document(), path, &error, options)) return "";
  return error.empty() ? path + ": cannot save" : error;
}

void PrintError(const std::string& message) {
  std::cerr << "error: " << ValidUtf8(message) << '\n';
}

void QuietLogging() {
  FLAGS_alsologtostderr = false;
  FLAGS_logtostderr = false;
  FLAGS_stderrthreshold = google::NUM_SEVERITIES;
}

}  // namespace cli
