// Reading a catalogue back: the JSON catalogue and its JSON Lines form
// (streamed, never held as a document) and the CSV catalogue, for comparing
// and verifying.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ordano {

// A modification time as a catalogue gives it: the local wall clock, and the
// offset from UTC when the format carries one (JSON does, CSV does not).
struct CatalogueTime {
  static constexpr std::int16_t kNoOffset = INT16_MIN;
  std::int64_t wall = 0;  // seconds since 1970-01-01 00:00:00 on the wall clock
  std::int16_t offsetMinutes = kNoOffset;
  bool known = false;

  bool SameInstant(const CatalogueTime& other) const;
  std::string Text() const;  // "2024-05-01 13:05:09" (+ "+09:00" when the offset is known)
};

struct CatalogueRow {
  std::uint32_t folder = 0;  // index into Catalogue::folders
  std::string name;          // the name's own bytes (name_bytes) when it is not UTF-8
  std::uint64_t size = 0;
  CatalogueTime modified;
  std::array<std::uint8_t, 16> md5{};
  bool hasSize = false;
  bool hasMd5 = false;
  bool unreadable = false;  // a re-scan could not read the file (its digest is unknown)
};

struct Catalogue {
  std::vector<std::string> folders;  // every folder with a row, empty ones included
  std::vector<CatalogueRow> rows;    // files only, sorted by folder text then name
  bool md5 = false;                  // the catalogue was made with MD5 digests
  bool rawNames = true;              // names are the file system's bytes (CSV: shown text)
  // The paths a JSON catalogue was made from, and the options that shaped its
  // walk and texts; older catalogues and CSV ones have none (hasRoots false).
  bool hasRoots = false;
  std::vector<std::string> roots;  // native bytes
  struct ScanOptions {
    bool readShortcuts = false;
    bool relativeOutput = false;
    bool relativeRootName = false;
    bool includeTargetName = false;
    bool omitVolumeName = true;
    bool omitFolderName = false;
    bool oneFileSystem = false;
    bool operator==(const ScanOptions&) const = default;
  } scanOptions;

  std::string PathOf(const CatalogueRow& row) const;
  // Sorts the rows for the merge; called by the readers.
  void SortRows();
  // Index of a folder text, added when new (the last one is remembered: rows come by folder).
  std::uint32_t FolderIndex(std::string_view folder);

 private:
  std::unordered_map<std::string, std::uint32_t> folderIndex_;
  std::uint32_t lastFolder_ = UINT32_MAX;
};

struct CatalogueLoad {
  Catalogue catalogue;
  std::string error;  // empty when read
};

// What a JSON catalogue records about its walk. The writer puts it before the
// entries, so a verify can start walking while they are read.
struct CatalogueHeader {
  bool hasRoots = false;
  std::vector<std::string> roots;
  Catalogue::ScanOptions scanOptions;
  bool md5 = false;
  std::uint64_t fileCount = 0;  // as recorded, bounded by the bytes the file holds

  static CatalogueHeader Of(const Catalogue& cat);
  // The same walk (the count only sizes it).
  bool SameWalk(const CatalogueHeader& o) const {
    return hasRoots == o.hasRoots && roots == o.roots && scanOptions == o.scanOptions &&
           md5 == o.md5;
  }
};

// A JSON, JSON Lines or CSV catalogue written by this program, chosen by its
// first bytes (JSON Lines: a first line that is a whole object).
// Anything but a regular file is named and refused without waiting on it; a
// lack of memory is an error like any other.
CatalogueLoad ReadCatalogue(const std::string& path);
// The same, telling `onHeader` (on the reading thread) a JSON catalogue's
// header when its entries begin, if it names the format, its version and its
// roots by then. A stop request ends the reading early (an error then).
CatalogueLoad ReadCatalogue(const std::string& path,
                            const std::function<void(CatalogueHeader)>& onHeader,
                            std::stop_token stop);
// The same from bytes already in memory (tests, fuzzing).
CatalogueLoad ParseCatalogue(std::string_view bytes);

// 32 hex digits to 16 bytes; false when it is not a digest.
bool ParseMd5(std::string_view hex, std::array<std::uint8_t, 16>& out);
std::string Md5Text(const std::array<std::uint8_t, 16>& md5);
// Bytes as lower-case hex digits (the form of name_bytes).
std::string HexText(std::string_view bytes);
// A file time as the local wall clock with its offset, as a JSON catalogue gives it.
CatalogueTime LocalCatalogueTime(std::int64_t unixSeconds);

}  // namespace ordano
