// The archiver table: which archiver reads which archive names, probed once
// at start-up, with the version texts the information page shows.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scan/archive/archiver.h"

namespace ordano {

struct ArchiverRow {
  std::string_view library;                  // the library name the row stands for ("unzip32")
  std::string_view prefix;                   // the function prefix ("UnZip"), shown while listing
  std::vector<std::string_view> endings;     // lower-case name endings
  std::string_view versionFormat;            // "UnZIP32.dll Ver %d.%d"
  std::string_view absentText;               // "UnZIP32.dll none"
  std::shared_ptr<const Archiver> archiver;  // null when absent
  std::u16string versionText;                // empty when absent
};

struct ArchiverTable {
  std::vector<ArchiverRow> rows;

  // The row whose ending the path has (compared lower-cased; a later row
  // overrides an earlier one; absent rows are skipped); null when none.
  const ArchiverRow* Match(std::string_view path) const;
};

// The nine rows, each with its archiver when this build can read the kind
// (GCA and BGA never), and the version texts.
std::shared_ptr<const ArchiverTable> LoadArchivers();

// The nine rows without any archiver: the table of a machine without
// archiver libraries.
std::shared_ptr<const ArchiverTable> EmptyArchiverTable();

// The version text of a row's archiver by its format: "%d.%d" from v,
// "%d.%d.%d.%d" from v and s, "%d.%d%c" with the letter from s.
std::u16string VersionText(std::string_view format, const Archiver& archiver);

// The information page's library list: UnLHA32, UnZIP32, UnRAR32, CAB32,
// TAR32, UnGCA32, UnARJ32, BGA32, 7-ZIP32, each its version text or its
// "none" text, separated by line feeds.
std::u16string ArchiverLibraryList(const ArchiverTable& table);

}  // namespace ordano
