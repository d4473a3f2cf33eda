// Verifying a catalogue: its roots walked again, the way it was made.
#pragma once

#include <optional>
#include <string>

#include "compare/catalogue_files.h"
#include "compare/catalogue_read.h"

namespace ordano {

struct AppContext;
class RunHost;

// The scanned table (ctx.table) as a catalogue read back would hold it:
// files only, with digests when `md5`.
Catalogue TableCatalogue(const AppContext& ctx, bool md5);

// Why the catalogue cannot be verified; empty when it can. Without recorded
// roots its folders must be absolute paths: relative ones would be looked
// for wherever the program happens to run.
std::string VerifyRefusal(const Catalogue& listed);

// The catalogue as the disk has it now, for CompareCatalogues: its roots (for
// a catalogue that records none, its top-most folders) scanned again by the
// scan's own walk and rows, with the options it records. Beyond those the
// walk takes everything: hidden files, every name and depth, no date range,
// so files its filters left out show as added. A file that is there but
// could not be looked at (its digest, its status or its folder) is marked
// unreadable. Progress and cancelling go through the context's host; nullopt
// when cancelled.
std::optional<Catalogue> RescanCatalogue(AppContext& ctx, const Catalogue& listed);

// A catalogue already read (a library snapshot) against the disk, as
// VerifyCatalogueFile verifies a file.
CatalogueFilesResult VerifyCatalogue(const Catalogue& listed, RunHost& host);

// The catalogue file against the disk, re-scanned with `host` showing the
// progress: what the command line and the window both run. Running out of
// memory is a message; no report and no error means cancelled.
CatalogueFilesResult VerifyCatalogueFile(const std::string& path, RunHost& host);

}  // namespace ordano
