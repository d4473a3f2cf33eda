// Verifying a catalogue: its roots walked again, the way it was made.
#pragma once

#include <optional>
#include <string>

#include "compare/catalogue_read.h"

namespace ordano {

struct AppContext;

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

}  // namespace ordano
