// What every fuzz target shares: quiet library logging, the failure report
// that stops a run, and the save -> load -> save check. A failed check
// prints what differed and aborts, which libFuzzer records as a crash with
// the input that caused it.
#pragma once

#include <memory>
#include <string>

#include "reference_host/app/app_document_impl.h"

namespace fuzz {

// Library log lines reach LogSinks (the CLI's LogTap) but neither the
// terminal nor log files: at thousands of runs a second both would cost
// more than the code under test.
void QuietLibraryLogging();

// Prints "fuzz check failed: |what|" and |detail| to stderr, then aborts.
[[noreturn]] void Fail(const std::string& what, const std::string& detail = "");

// The document's saved text.
std::string SaveText(const reference_host::AppDocumentImpl& document);

// Loads |saved| (a text SaveText gave) and saves it again: a saved document
// must load, and the second save must give the same bytes. Fails the run
// otherwise; |context| says which document it was.
void CheckReloads(const std::string& saved, const std::string& context);

// The first lines where |a| and |b| differ, for failure reports.
std::string FirstDifference(const std::string& a, const std::string& b);

// The whole file at |path|; fails the run when it cannot be read.
std::string ReadFileOrFail(const std::string& path);

}  // namespace fuzz
