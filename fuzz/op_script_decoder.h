// Turns fuzzer bytes into an operation script (the JSON array the CLI's
// "run" reads) whose ids name objects of a given document of the right
// kinds, so that most scripts pass the CLI's up-front checks and reach the
// library. The script is decoded against the document as it is before any
// op runs, as the CLI checks it: parts made later are named through their
// budget line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "reference_host/app/app_document_impl.h"

namespace fuzz {

struct DecoderOptions {
  // Only collect, uncollect, modify-quantity, set-cost-account, undo, redo
  // and show: the undo properties hold for these.
  bool undoable_only = true;
  // Documents a "repoint" op may name, relative to the script's folder.
  std::vector<std::string> repoint_sources;
  size_t max_ops = 24;
};

nlohmann::json DecodeOpScript(const uint8_t* data, size_t size,
                              const reference_host::AppDocumentImpl& document,
                              const DecoderOptions& options);

}  // namespace fuzz
