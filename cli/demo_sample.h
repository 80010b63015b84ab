// The built-in sample: a small office building estimate (综合楼) with a civil
// and an installation sub-project, built with the host's document builder.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>

#include "reference_host/app/app_document_impl.h"

namespace cli {

std::unique_ptr<reference_host::AppDocumentImpl> BuildOfficeBuilding();

// The demo's scenario as a script for "run": collection, linking, undo and
// redo, then cost account assignment.
const nlohmann::json& DemoScript();
// The same, as the text shipped in examples/demo_ops.json.
const char* DemoScriptText();

// The contract-level scenario: a merge of the two suppliers' rebar entries
// and a split of the labour entry, each undone, then copy-from, a reported
// merge change and a rename. Shipped as examples/contract_ops.json.
const nlohmann::json& DemoContractScript();
const char* DemoContractScriptText();

}  // namespace cli
