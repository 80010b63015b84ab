// Small pieces every command shares: exit codes, number text, object kinds,
// reading files with the reason for a failure, and loading and saving
// documents.
#pragma once

#include <memory>
#include <string>

#include "reference_host/app/app_document_impl.h"

namespace engine {
class DocumentObject;
}  // namespace engine

namespace cli {

enum ExitCode { kExitOk = 0, kExitRefused = 1, kExitUsage = 2 };

// At most |digits| decimals, no trailing zeros.
std::string Num(double value, int digits = 4);

// What a person calls |object|: "budget line", "cost line", "collected part",
// "bill", "contract entry", "table row", ... ("nothing" for null).
std::string DescribeKind(const engine::DocumentObject* object);

// The text of field |key| of |object|; "" when absent or not text.
std::string TextField(const engine::DocumentObject* object, const std::string& key);

// The document at |path|, or null with "PATH: why" in |error| (a folder is
// named as one). A long load shows a ProgressLine.
std::unique_ptr<reference_host::AppDocumentImpl> LoadDocument(const std::string& path,
                                                              std::string* error);

// The whole file at |path|, or false with "PATH: why" in |error| (a folder,
// a file that cannot be opened or read, with the system's reason).
bool ReadTextFile(const std::string& path, std::string* text, std::string* error);

// Saves |document| to |path| whole or not at all, replacing only a regular
// file (reference_host::AtomicFileWriter), indented or |compact|; "" on
// success, else the reason. A long save shows a ProgressLine.
std::string SaveDocument(const reference_host::AppDocumentImpl& document, const std::string& path,
                         bool compact = false);

// Prints "error: |message|" to stderr, with odd bytes of echoed input made
// harmless.
void PrintError(const std::string& message);

// Keeps glog lines in the log folder only: the program reports what matters
// itself, on stdout and stderr.
void QuietLogging();

}  // namespace cli
