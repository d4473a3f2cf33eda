// The crawl result as a catalogue: one EntryTable row per listed URL, written
// by the ordinary output run.
#pragma once

#include <vector>

#include "crawler/crawl.h"
#include "run/run_output.h"

namespace ordano {

struct CrawlOutputOptions {
  // The command line keeps its /O: and /F: destination; the window's page
  // clears the presets so that the save dialog asks.
  bool keepCommandLineDestination = false;
};

// Fills ctx.table from the items (Name, Folder or LinkPath by RelativeOutput,
// kind as SortKey, depth, size, title), runs the output and releases the table.
// An empty list writes nothing (Declined).
OutputResult OutputCrawlResult(AppContext& ctx, const std::vector<WebItem>& items,
                               const CrawlOutputOptions& options = {});

// The table alone (used by OutputCrawlResult); the run state is set for it.
void BuildCrawlTable(AppContext& ctx, const std::vector<WebItem>& items);

}  // namespace ordano
