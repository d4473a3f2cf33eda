// The output run: destination, format by extension, writing, opening.
#pragma once

#include <string>

namespace ordano {

struct AppContext;

enum class OutputStatus {
  Written,          // the catalogue was written to a file
  Clipboard,        // the catalogue went to the clipboard
  ClipboardFailed,  // clipboard destination, but it could not be set here
  Declined,         // the user said No / cancelled the dialog: nothing written
  Failed,           // the destination could not be written
};

struct OutputResult {
  OutputStatus status = OutputStatus::Failed;
  std::string path;  // the written file
};

// Writes the catalogue of ctx.table (EntryCount rows) once, with the run's
// options (ctx.options, built by the driver when the run started).
OutputResult RunOutput(AppContext& ctx);

}  // namespace ordano
