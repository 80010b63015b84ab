// Set-up shared by the project merge tests: a current and a source document
// built side by side, node trees kept alive by the fixture, and readers of
// the merged tables.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "funcs/project/proj_merge_node.h"
#include "funcs/project/qrv_func.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/table_impl.h"
#include "tests/support/test_support.h"

namespace test_support {

using marrow::qrv::ProjMergeNode;
using reference_host::EstimateDocument;
using reference_host::SubProjectImpl;
using reference_host::TableImpl;

class ProjectMergeTest : public testing::Test {
 protected:
  ProjectMergeTest() : current_builder_("cur", "Civil"), source_builder_("src", "Installation") {}

  void Build() {
    current_ = current_builder_.BuildDocument();
    source_ = source_builder_.BuildDocument();
  }

  // A node kept by the fixture; |type| 1 keeps the current sub-project.
  ProjMergeNode* Node(const std::string& id, const std::string& source_id,
                      const std::string& name = "", int type = 1, bool merge_fee = false,
                      std::vector<ProjMergeNode*> children = {}) {
    nodes_.push_back(ProjMergeNode{id, source_id, name, type, merge_fee, std::move(children)});
    return &nodes_.back();
  }
  // The two roots merged, the current root kept, with |children|.
  ProjMergeNode* RootPair(std::vector<ProjMergeNode*> children = {}) {
    return Node("cur/root", "src/root", "Civil", 1, true, std::move(children));
  }

  bool Merge(const ProjMergeNode* root) {
    marrow::qrv::QRVProjectFunc func(current_->project());
    return func.ProjectMerge(source_->project(), root);
  }

  reference_host::ProjectImpl* current_project() const { return current_->project(); }
  SubProjectImpl* CurrentRoot() const { return current_->project()->GetRootSubProject(); }
  SubProjectImpl* SourceRoot() const { return source_->project()->GetRootSubProject(); }

  // "code" of each child of a bill item, in order.
  static std::vector<std::string> Codes(const engine::SubEngineering* item) {
    std::vector<std::string> codes;
    for (int i = 0; item && i < item->GetChildCount(); ++i)
      codes.push_back(item->GetChildSubEngineering(i)->GetCode());
    return codes;
  }
  static std::vector<std::string> RowIds(const TableImpl* table) {
    std::vector<std::string> ids;
    for (int i = 0; table && i < table->GetRowCount(); ++i)
      ids.push_back(table->GetRow(i)->GetId());
    return ids;
  }
  static std::vector<std::string> ChildNames(const SubProjectImpl* sub_project) {
    std::vector<std::string> names;
    for (int i = 0; i < sub_project->GetChildCount(); ++i)
      names.push_back(sub_project->GetChild(i)->GetId() + ":" +
                      sub_project->GetChild(i)->GetName());
    return names;
  }
  static std::string Text(const engine::DocumentObject* object, const std::string& key) {
    engine::FieldValue value;
    object->GetFieldContainer()->GetFieldValue(key, value);
    return value.GetString();
  }
  static double Number(const engine::DocumentObject* object, const std::string& key) {
    engine::FieldValue value;
    object->GetFieldContainer()->GetFieldValue(key, value);
    return value.GetDouble();
  }

  DocumentBuilder current_builder_;
  DocumentBuilder source_builder_;
  std::unique_ptr<EstimateDocument> current_;
  std::unique_ptr<EstimateDocument> source_;
  LogCapture log_;

 private:
  std::deque<ProjMergeNode> nodes_;
};

}  // namespace test_support
