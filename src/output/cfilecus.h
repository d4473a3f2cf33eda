// CFileCus: the output sink of a catalogue. Buffered file writing of UTF-16LE
// (or UTF-8) text, or, in clipboard mode, text collected in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace ordano {

class CFileCus {
 public:
  enum class OpenMode {
    CreateTruncate,  // create or truncate, read/write
    OpenExisting,    // read/write, never create
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

  bool Open(const std::string& path, OpenMode mode);
  bool IsOpen() const { return clipboardMode_ || fd_ >= 0; }
  // Writes out what is pending and closes; false when any write since Open
  // failed or the close itself failed.
  bool Close();

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

  // The text gathered in clipboard mode.
  const std::u16string& CollectedText() const { return collected_; }
  std::u16string TakeCollectedText() { return std::move(collected_); }

 private:
  bool Store(const char* data, std::size_t size);
  bool WriteAll(const char* data, std::size_t size);
  void CloseFd();

  int fd_ = -1;
  bool clipboardMode_ = false;
  bool utf8Mode_ = false;
  bool failed_ = false;
  std::u16string collected_;
  std::unique_ptr<char[]> buffer_;  // kBufferSize bytes, made on first use
  std::size_t pending_ = 0;
  std::string utf8_;  // conversion scratch, reused
};

}  // namespace ordano
