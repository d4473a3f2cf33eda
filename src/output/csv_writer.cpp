#include "output/csv_writer.h"

#include <algorithm>
#include <cstddef>
#include <span>

#include "core/app_context.h"
#include "core/format_size.h"
#include "output/catalogue_labels.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "output/text_writer.h"
#include "scan/volume_info.h"

namespace ordano {

void AppendCsvQuoted(std::u16string& out, std::u16string_view text) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'"') continue;
    out.append(text.substr(run, i + 1 - run));
    out.push_back(u'"');
    run = i + 1;
  }
  out.append(text.substr(run));
}

std::u16string QuoteCsvField(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  AppendCsvQuoted(out, text);
  return out;
}

namespace {

// Rows are gathered and handed to the sink in pieces of about this many units.
constexpr std::size_t kFlushAt = 32768;

class CsvCatalogueWriter {
 public:
  // header: the file is new, so it gets the header row once.
  CsvCatalogueWriter(AppContext& ctx, CFileCus& sink, bool header)
      : ctx_(ctx),
        s_(ctx.options.settings),
        run_(ctx.run),
        t_(ctx.table),
        sink_(sink),
        rows_(std::min(ctx.run.EntryCount, ctx.table.Capacity())),
        kind_((s_.OutputKind == 1 || s_.OutputKind == 2) ? s_.OutputKind : 0),
        folderAndFile_(s_.CsvFolderAndFile != 0),
        md5_(s_.ComputeMd5 != 0),
        header_(header) {
    out_.reserve(kFlushAt + 4096);
  }

  void Write() {
    const bool totalTop = s_.TotalCountPlace == 1;
    if (!s_.HideTotalLabel && totalTop) TotalRow();
    if (run_.CapacityRequested && s_.CapacityPlace == 0) CapacityRows();

    for (int i = 0; i < rows_; ++i) {
      if (i == 0 || !SameFolder(i, i - 1)) FolderChange(i);
      if (!t_.HasName(i)) continue;  // an empty folder's placeholder
      if (kind_ != 1) {
        FileRow(i);
        ++folderFileCount_;
      }
      folderSize_ = SaturatingAdd(folderSize_, t_.Size(i));
    }

    if (s_.FolderSizes) FolderSummary();
    if (!s_.HideTotalLabel && !totalTop) TotalRow();
    if (run_.CapacityRequested && s_.CapacityPlace == 1) CapacityRows();
    Flush();
  }

 private:
  void Flush() {
    sink_.WriteText(out_);
    out_.clear();
  }

  void EndRow() {
    out_.append(u"\r\n");
    if (out_.size() >= kFlushAt) Flush();
  }

  void Field(std::u16string_view v) {
    out_.push_back(u'"');
    AppendCsvQuoted(out_, v);
    out_.push_back(u'"');
  }

  // One row of the row template; the size gets "Byte" inside its field and
  // a time of 0 leaves its field empty.
  void Row(std::u16string_view folder, std::u16string_view name, std::u16string_view size,
           PackedTime modified, PackedTime created, std::u16string_view md5) {
    if (folderAndFile_) {
      Field(folder);
      out_.push_back(u',');
    }
    Field(name);
    out_.append(u",\"");
    AppendCsvQuoted(out_, size);
    out_.append(u"Byte\",\"");
    AppendTimeText(out_, modified);
    out_.append(u"\",\"");
    AppendTimeText(out_, created);
    out_.push_back(u'"');
    if (md5_) {
      out_.push_back(u',');
      Field(md5);
    }
    EndRow();
  }

  // Label first (in the folder field in folder-and-file mode), value in the
  // size field, the rest empty.
  void Summary(std::u16string_view label, std::u16string_view value) {
    if (folderAndFile_) {
      Row(label, {}, value, 0, 0, {});
    } else {
      Row({}, label, value, 0, 0, {});
    }
  }

  void TotalRow() { Summary(TotalLine(run_), FormatSize(s_, run_.TotalSize)); }

  // When the capacity cannot be read there is nothing true to write.
  void CapacityRows() {
    const CapacityInfo cap = QueryCapacity(ctx_);
    if (!cap.ok) return;
    Summary(kFreeSpaceLabel, FormatSize(s_, cap.free));
    Summary(kTotalCapacityLabel, FormatSize(s_, cap.total));
  }

  void FolderSummary() {
    Summary(FolderCountLabel(folderFileCount_), FormatSize(s_, folderSize_));
    folderFileCount_ = 0;
    folderSize_ = 0;
  }

  bool SameFolder(int a, int b) const { return t_.SameFolder(a, b); }

  // The size of the folder that starts at row i: its listed rows up to the
  // next folder change.
  std::uint64_t FolderSizeFrom(int i) const {
    std::uint64_t sum = 0;
    for (int j = i; j < rows_ && (j == i || SameFolder(j, i)); ++j) {
      if (t_.HasName(j)) sum = SaturatingAdd(sum, t_.Size(j));
    }
    return sum;
  }

  // The header row; `first` is the folder field of folder-and-file mode.
  void HeaderFields(std::u16string_view first, std::u16string_view second) {
    if (folderAndFile_) {
      Field(first);
      out_.push_back(u',');
    }
    Field(second);
    out_.append(u",\"");
    out_.append(kSizeLabel);
    out_.append(u"Byte\",");
    Field(kModifiedLabel);
    out_.push_back(u',');
    Field(kCreatedLabel);
    if (md5_) {
      out_.push_back(u',');
      Field(kMd5Label);
    }
    EndRow();
  }

  // "ターゲットフォルダ：%s" and its two variants; TargetName is the user's
  // own text and goes in as written.
  void TargetFolderRow(int i) {
    out_.push_back(u'"');
    if (!s_.HideTargetLabel) {
      out_.append(s_.RenameTarget ? TextOf(s_.TargetName) : kTargetFolderLabel);
    }
    AppendCsvQuoted(out_, t_.Folder(i));
    out_.append(md5_ ? u"\",\"\",\"\",\"\"" : u"\",\"\",\"\"");
    EndRow();
  }

  void FolderChange(int i) {
    if (kind_ == 1) {
      if (header_) HeaderFields(kFolderNameLabel, folderAndFile_ ? u"" : kFolderNameLabel);
      header_ = false;
      // The folder's own size (the rows below it, not those before it).
      Summary(t_.Folder(i), FormatSize(s_, FolderSizeFrom(i)));
      folderFileCount_ = 0;
      folderSize_ = 0;
      return;
    }
    if (i > 0 && s_.FolderSizes) FolderSummary();
    if (s_.WriteTargetFolder) TargetFolderRow(i);
    if (header_) HeaderFields(kFolderNameLabel, kFileNameLabel);
    header_ = false;
  }

  void FileRow(int i) {
    const std::u16string_view folder = t_.Folder(i);
    std::u16string_view name = t_.Name(i, nameBuffer_);
    if (kind_ == 2 && s_.WriteTargetFolder) {
      joined_.assign(folder);
      if (!folder.empty() && folder.back() != u'/') joined_.push_back(u'/');
      joined_.append(name);
      name = joined_;
    }
    Row(folder, name, t_.SizeText(i, sizeText_), t_.Modified(i), t_.Created(i),
        md5_ ? t_.Md5(i) : std::u16string_view{});
  }

  AppContext& ctx_;
  const SettingsRecord& s_;
  const RunState& run_;
  const EntryTable& t_;
  CFileCus& sink_;
  const int rows_;
  const int kind_;
  const bool folderAndFile_;
  const bool md5_;
  bool header_;
  std::u16string out_, joined_, sizeText_, nameBuffer_;
  int folderFileCount_ = 0;
  std::uint64_t folderSize_ = 0;
};

// Where appended rows go: the end, after a line break when the old last row
// lacks one. False when the file cannot be read or positioned.
bool MoveToAppendPoint(CFileCus& sink, std::int64_t length) {
  if (length % 2 == 0) {
    char16_t last = 0;
    if (sink.Seek(length - 2, CFileCus::SeekFrom::Begin) < 0) return false;
    if (sink.Read(std::as_writable_bytes(std::span<char16_t>(&last, 1))) != 2) return false;
    if (sink.SeekToEnd() < 0) return false;
    if (last != u'\n') return sink.WriteText(u"\r\n");
    return true;
  }
  return sink.SeekToEnd() >= 0;
}

// An empty file, or one holding nothing but the byte-order mark.
bool HoldsNoRows(CFileCus& sink, std::int64_t length) {
  if (length == 0) return true;
  if (length != 2) return false;
  std::byte head[2];
  if (!sink.SeekToBegin() || sink.Read(head) != 2) return false;
  return head[0] == std::byte{0xFF} && head[1] == std::byte{0xFE};
}

}  // namespace

bool WriteCsvCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path) {
  const bool appendWanted = ctx.options.settings.AppendOutput != 0;
  // Appending continues an existing file and creates one that is missing.
  const bool opened = appendWanted ? (sink.Open(path, CFileCus::OpenMode::OpenExisting) ||
                                      sink.Open(path, CFileCus::OpenMode::Replace))
                                   : sink.Open(path, CFileCus::OpenMode::Replace);
  if (!opened) {
    ShowWriteFailure(ctx, path, sink.Error());
    return false;
  }

  const std::int64_t length = sink.Length();
  bool ok = length >= 0;
  const bool append = ok && appendWanted && !HoldsNoRows(sink, length);
  if (ok && append) {
    ok = MoveToAppendPoint(sink, length);
  } else if (ok) {
    // A new catalogue: one byte-order mark, and the header row below.
    ok = sink.SeekToBegin() && sink.WriteText(u"\uFEFF");
  }
  if (ok) CsvCatalogueWriter(ctx, sink, !append).Write();
  // Nothing of a failed catalogue is kept: the old file stays as it was.
  if (!ok || !sink.Close()) {
    sink.Abandon();
    ShowWriteFailure(ctx, path, sink.Error());
    return false;
  }
  return true;
}

}  // namespace ordano
