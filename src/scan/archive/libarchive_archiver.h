// The archiver calls over libarchive, one adapter per archive kind it reads.
#pragma once

#include <memory>

#include "scan/archive/archiver.h"

namespace ordano {

enum class LibarchiveKind { Lzh, Zip, Cab, Rar, Tar, SevenZip };

// Whether the libarchive this program runs with reads the kind.
bool LibarchiveReads(LibarchiveKind kind);

// The adapter for one kind. Tar also takes single files compressed with
// gzip or bzip2 (".gz", ".bz2"), listed as one member named after the file.
std::shared_ptr<const Archiver> MakeLibarchiveArchiver(LibarchiveKind kind);

}  // namespace ordano
