// Verifying a catalogue: the files it lists looked at again on disk.
#pragma once

#include <optional>

#include "compare/catalogue_read.h"

namespace ordano {

struct AppContext;

// The catalogue as the disk has it now, for CompareCatalogues: every listed
// file that is still there (its digest read again only where the catalogue
// has one; a file that cannot be read is marked unreadable), and every file
// in the catalogue's folders, or in folders new below them, that it did not
// list. Progress and cancelling go through the context's host (EntryCount of
// ExpectedCount); nullopt when cancelled.
std::optional<Catalogue> RescanCatalogue(AppContext& ctx, const Catalogue& listed);

}  // namespace ordano
