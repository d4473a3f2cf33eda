// CFileCus: the output sink of a catalogue. Buffered file writing of UTF-16LE
// (or UTF-8) text, or, in clipboard mode, text collected in memory.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_handle.h"

namespace ordano {

class CFileCus {
 public:
  enum class OpenMode {
    // A new catalogue: written to a temporary file beside the path that
    // replaces the old file only when Close succeeds.
    Replace,
    // A changed catalogue: a working copy of the existing file (never
    // created) that replaces it only when Close succeeds.
    Edit,
    // Read/write in place, never create (appending). Unless Close succeeds,
    // the file is cut back to its old length and bytes it overwrote are put
    // back.
    OpenExisting,
    // Create or truncate in place, read/write, nothing to fall back to.
    CreateTruncate,
  };
  enum class SeekFrom { Begin, Current, End };

  static constexpr std::size_t kBufferSize = 262144;

  CFileCus() = default;
  ~CFileCus();
  CFileCus(const CFileCus&) = delete;
  CFileCus& operator=(const CFileCus&) = delete;

  // Text goes to memory instead of a file; opening then always succeeds and
  // every file operation does nothing (seek and length give 0).
  void SetClipboardMode(bool on) { clipboardMode_ = on; }
  bool ClipboardMode() const { return clipboardMode_; }
  // Written UTF-16 text is stored as UTF-8.
  void SetUtf8Mode(bool on) { utf8Mode_ = on; }
  bool Utf8Mode() const { return utf8Mode_; }

  // Where a folder refuses new files (no temporary file possible) but the
  // file itself may be written, Replace and Edit fall back to writing in
  // place, with the undo of OpenExisting.
  bool Open(const std::string& path, OpenMode mode);
  // Writes to a copy of an open descriptor (stdout into a pipe): nothing to
  // seek, read or undo; closing closes only the copy.
  bool OpenStream(int fd);
  bool IsOpen() const { return clipboardMode_ || fd_ >= 0; }
  // Writes out what is pending and closes; false when any write since Open
  // failed or the close itself failed: the old file is then left (or put
  // back) as it was, as far as PreviousKept says.
  bool Close();
  // Drops what was written since Open: a temporary file is removed, an
  // in-place write undone. Closing without keeping anything.
  void Abandon();
  // After a failed Close (or a sink destroyed without one): whether the file
  // at the path is what it was before Open.
  bool PreviousKept() const { return previousKept_; }

  // New position, or -1 on failure.
  std::int64_t Seek(std::int64_t offset, SeekFrom from);
  bool SeekToBegin() { return Seek(0, SeekFrom::Begin) == 0; }
  std::int64_t SeekToEnd() { return Seek(0, SeekFrom::End); }
  // -1 on failure.
  std::int64_t Length();
  // Bytes read, -1 on failure.
  std::int64_t Read(std::span<std::byte> out);
  bool Flush();
  // Cuts the file at the current position (what lies after it is dropped).
  bool TruncateHere();

  // Stores count UTF-16 units; an empty text is ignored.
  bool WriteText(const char16_t* text, std::size_t count);
  bool WriteText(std::u16string_view text) { return WriteText(text.data(), text.size()); }
  // Stores UTF-8 text (JSON is built as UTF-8): as it is in Utf8Mode,
  // converted otherwise; an empty text is ignored.
  bool WriteUtf8(std::string_view text);
  // EF BB BF; nothing in clipboard mode.
  bool WriteUtf8Bom();

  // True once any write, flush or seek has failed since Open.
  bool Failed() const { return failed_; }
  // The system's reason (errno) of the last failed open, write, seek or
  // close; EIO when none was given.
  int Error() const { return error_ != 0 ? error_ : EIO; }

  // The text gathered in clipboard mode.
  const std::u16string& CollectedText() const { return collected_; }
  std::u16string TakeCollectedText() { return std::move(collected_); }

 private:
  bool Store(const char* data, std::size_t size);
  bool WriteAll(const char* data, std::size_t size);
  void CloseFd();
  bool OpenInPlace(const std::string& path, bool truncate);
  // Closes what is open and clears the state of the last write.
  void StartOpen();
  bool OpenPath(const std::string& path, OpenMode mode);
  void Fail() {
    failed_ = true;
    if (errno != 0) error_ = errno;
  }
  // Keeps the bytes of [at, at + size) that lie within the old length, so
  // Undo can put them back.
  void Remember(std::int64_t at, std::int64_t size);
  void Undo();

  int fd_ = -1;
  bool clipboardMode_ = false;
  bool utf8Mode_ = false;
  bool failed_ = false;
  int error_ = 0;
  bool previousKept_ = true;
  ReplacementFile replacement_;
  bool replacing_ = false;  // fd_ belongs to replacement_
  bool touched_ = false;    // written or cut in place since Open
  bool direct_ = false;     // CreateTruncate: no undo
  // The undo of an in-place write: old length and overwritten bytes.
  bool undoable_ = false;
  std::int64_t oldLength_ = 0;
  std::vector<std::pair<std::int64_t, std::string>> journal_;
  std::size_t journalBytes_ = 0;
  std::u16string collected_;
  std::unique_ptr<char[]> buffer_;  // kBufferSize bytes, made on first use
  std::size_t pending_ = 0;
  std::string utf8_;  // conversion scratch, reused
};

}  // namespace ordano
