// What the library's two stores do each their own way: loading a snapshot's
// rows, keeping the name index, the name conditions of a search, stopping a
// statement. Everything else is one query text for both (library_store.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/store_connection.h"
#include "scan/digest_reuse.h"

namespace ordano {

// One file of a snapshot to load: `folder` indexes the snapshot's folders.
struct LoadedFile {
  std::uint32_t folder = 0;
  std::string_view name;
  std::int64_t size = 0;
  std::optional<std::int64_t> mtime;
  const std::uint8_t* md5 = nullptr;  // 16 bytes, or none
  std::optional<FileStamp> stamp;     // stored with a digest only
};

// The name part of a search, folded: fragments of three characters and more,
// of one or two (without a space or a tab), the rest, whole-name globs and
// extensions.
struct NameTerms {
  std::vector<std::string_view> longer, shorter, scanned, globs;
  std::span<const std::string> extensions;
};

// A parameter of the name conditions, bound as a blob, as text or as an integer.
struct NameParam {
  enum Kind { kBlob, kText, kInt } kind = kText;
  std::string text;
  std::int64_t number = 0;
};

class LibraryBackend {
 public:
  virtual ~LibraryBackend() = default;
  virtual StoreConnection& Connection() = 0;
  // Stores a new snapshot's folders (paths below the mount point) and files,
  // inside the caller's transaction.
  virtual void LoadRows(std::int64_t snapshot, std::span<const std::string> folders,
                        std::span<const LoadedFile> files) = 0;
  // Called before a snapshot's rows are deleted.
  virtual void ForgetNames(std::int64_t snapshot) = 0;
  // Appends " AND …" conditions on the file `f` to `sql`, and may replace
  // `files` ("file f") by a narrower source of the rows called f; numbers
  // their parameters from `next` on (as ?N) and adds them to `params`.
  virtual void NameConditions(const NameTerms& terms, std::string& files, std::string& sql,
                              int& next, std::vector<NameParam>& params) = 0;
  // The join of files to their folders that keeps the files first.
  virtual const char* FilesThenFolders() const = 0;
  // A running statement stops with an error soon after `stop` returns true;
  // empty for never.
  virtual void StopWhen(std::function<bool()> stop) = 0;
};

}  // namespace ordano
