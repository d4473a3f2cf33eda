#include "output/text_writer.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "core/app_context.h"
#include "core/format_size.h"
#include "output/cfilecus.h"
#include "output/text_layout.h"
#include "output/tree_prefix.h"
#include "platform/unicode.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

constexpr std::u16string_view kTargetLabel = u"ターゲットフォルダ：";
constexpr std::u16string_view kFileNameLabel = u"ファイル名";
constexpr std::u16string_view kFreeLabel = u"空き容量";
constexpr std::u16string_view kTotalCapacityLabel = u"総容量";

std::u16string CountText(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string FolderCountLine(int n) { return u"ファイル数 " + CountText(n) + u" 個"; }

// Byte offset where a merge continues: right after the line feed that ends
// the last-but-one line, searching backwards from the fourth character from
// the end (so the old closing line is overwritten). The byte-order mark at
// offset 0 is never part of the search. A file without any line feed is
// continued at its end, so nothing of it is lost.
std::int64_t FindMergePoint(CFileCus& sink, std::int64_t length) {
  const std::int64_t chars = length / 2;
  constexpr std::int64_t kChunk = 16384;
  std::vector<char16_t> buf;
  for (std::int64_t c = chars - 4; c >= 1;) {
    const std::int64_t lo = std::max<std::int64_t>(1, c - kChunk + 1);
    const std::int64_t count = c - lo + 1;
    buf.resize(static_cast<std::size_t>(count));
    if (sink.Seek(2 * lo, CFileCus::SeekFrom::Begin) < 0) return -1;
    const auto bytes = std::as_writable_bytes(std::span<char16_t>(buf));
    if (sink.Read(bytes) != static_cast<std::int64_t>(bytes.size())) return -1;
    for (std::int64_t k = count - 1; k >= 0; --k) {
      if (buf[static_cast<std::size_t>(k)] == u'\n') return 2 * (lo + k + 1);
    }
    c = lo - 1;
  }
  return 2 * chars;
}

// The same for a UTF-8 catalogue (no mark, one byte per unit searched).
std::int64_t FindMergePointUtf8(CFileCus& sink, std::int64_t length) {
  constexpr std::int64_t kChunk = 65536;
  std::string buf;
  for (std::int64_t c = length - 4; c >= 0;) {
    const std::int64_t lo = std::max<std::int64_t>(0, c - kChunk + 1);
    buf.resize(static_cast<std::size_t>(c - lo + 1));
    if (sink.Seek(lo, CFileCus::SeekFrom::Begin) < 0) return -1;
    const auto bytes = std::as_writable_bytes(std::span<char>(buf));
    if (sink.Read(bytes) != static_cast<std::int64_t>(bytes.size())) return -1;
    const std::size_t lf = buf.rfind('\n');
    if (lf != std::string::npos) return lo + static_cast<std::int64_t>(lf) + 1;
    c = lo - 1;
  }
  return length;
}

// Whether an existing catalogue starts with the UTF-16 mark (else it is
// taken as UTF-8: appending must not mix the two in one file).
bool StartsWithUtf16Mark(CFileCus& sink) {
  std::byte head[2];
  if (sink.Seek(0, CFileCus::SeekFrom::Begin) != 0 || sink.Read(head) != 2) return false;
  return head[0] == std::byte{0xFF} && head[1] == std::byte{0xFE};
}

// An empty file, or one that holds nothing but the byte-order mark.
bool IsEmptyCatalogue(CFileCus& sink, std::int64_t length) {
  if (length == 0) return true;
  if (length != 2) return false;
  std::byte head[2];
  if (sink.Seek(0, CFileCus::SeekFrom::Begin) != 0 || sink.Read(head) != 2) return false;
  return head[0] == std::byte{0xFF} && head[1] == std::byte{0xFE};
}

class TextCatalogueWriter {
 public:
  TextCatalogueWriter(AppContext& ctx, CFileCus& sink)
      : ctx_(ctx),
        s_(ctx.options.settings),
        run_(ctx.run),
        t_(ctx.table),
        sink_(sink),
        layout_(MakeTextLayout(ctx.options.settings, ctx.run)),
        rows_(std::min(ctx.run.EntryCount, ctx.table.Capacity())) {
    // Any other value (none selected) writes the normal form.
    kind_ = (s_.OutputKind == 1 || s_.OutputKind == 2) ? s_.OutputKind : 0;
    indent_ = s_.IndentTree != 0;
    if (indent_) tree_.emplace(t_, rows_);
    if (sink.ClipboardMode()) {
      ending_ = u"\n";
    } else {
      // UTF-8 text is for Unix tools: LF ends its lines.
      if (s_.TxtLineBreaks == 0) ending_ = sink.Utf8Mode() ? u"\n" : u"\r\n";  // stored inverted
      if (s_.TxtBrTags) ending_ += u"<br>";
    }
    separator_ = SeparatorLine(layout_);
  }

  void Write() {
    Frame();
    const bool totalTop = s_.TotalCountPlace == 1;
    if (!s_.HideTotalLabel && totalTop) TotalSummary();
    if (CapacityHere(0) && CapacityLines()) Frame();

    for (int i = 0; i < rows_; ++i) {
      if (s_.WriteTargetFolder && !s_.Unify && (i == 0 || !SameFolder(i, i - 1))) FolderChange(i);
      if (!t_.HasName(i)) continue;  // an empty folder's placeholder
      if (kind_ == 0) {
        NormalFileLines(i);
      } else if (kind_ == 2) {
        FolderAndFileLine(i);
      }
      ++folderFileCount_;
      folderSize_ = SaturatingAdd(folderSize_, t_.Size(i));
    }

    Frame();
    if (s_.FolderSizes) {
      // The last folder's summary is drawn at the last row's depth.
      const int depth = rows_ > 0 ? t_.Depth(rows_ - 1) : 1;
      FolderSummary(depth - 1, kTreeBarIfTop, rows_ - 1);
      Frame();
    }
    if (!s_.HideTotalLabel && !totalTop) TotalSummary();
    if (CapacityHere(1)) CapacityLines();
  }

 private:
  // Tabs, trailing spaces, line ending; then into the sink.
  void Emit(std::u16string& line) {
    if (layout_.tabify) {
      tabbed_.clear();
      TabifyLine(line, layout_.tabWidth, tabbed_);
      line.swap(tabbed_);
    }
    StripTrailingSpaces(line);
    line.append(ending_);
    sink_.WriteText(line);
  }

  void Frame() {
    if (s_.Unify || indent_) return;
    line_ = separator_;
    Emit(line_);
  }

  // A summary: label in the name column, value in the size column.
  void Summary(std::u16string_view label, std::u16string_view value) {
    line_.clear();
    ComposeTextRow(line_, layout_, label, layout_.fileNameOnly ? u"" : value, {}, {}, {});
    Emit(line_);
  }

  void TotalSummary() { Summary(TotalLine(run_), FormatSize(s_, run_.TotalSize)); }

  bool CapacityHere(int place) const {
    return run_.CapacityRequested && !s_.FileNameOnly && s_.CapacityPlace == place;
  }

  // When the capacity cannot be read there is nothing true to print: no
  // capacity lines (and no frame after them).
  bool CapacityLines() {
    const CapacityInfo cap = QueryCapacity(ctx_);
    if (!cap.ok) return false;
    Summary(kFreeLabel, FormatSize(s_, cap.free));
    Summary(kTotalCapacityLabel, FormatSize(s_, cap.total));
    return true;
  }

  void Prefix(std::u16string& out, int levels, int kind, int prevRow, TreeLine line) {
    if (indent_) tree_->Append(out, levels, kind, 1, prevRow, line);
  }

  void FolderSummary(int levels, int kind, int prevRow) {
    label_.clear();
    Prefix(label_, levels, kind, prevRow, TreeLine::Item);
    label_.append(FolderCountLine(folderFileCount_));
    Summary(label_, FormatSize(s_, folderSize_));
    folderFileCount_ = 0;
    folderSize_ = 0;
  }

  bool SameFolder(int a, int b) const { return t_.SameFolder(a, b); }

  // 0: the folder goes on after row i (next row same folder or deeper);
  // 1: row i closes its folder.
  int ConnectorKind(int i) const {
    if (i + 1 >= rows_) return kTreeLastOrBranch;
    if (SameFolder(i + 1, i) || t_.Depth(i + 1) > t_.Depth(i)) return kTreeBranch;
    return kTreeLastOrBranch;
  }

  void FolderChange(int i) {
    const int depth = t_.Depth(i);
    if (i > 0) {
      if (kind_ == 0 && !indent_) {
        line_ = separator_;
        Emit(line_);
      }
      if (s_.FolderSizes) {
        FolderSummary(depth - 1, kTreeBar, i - 1);
        Frame();
      }
    }
    if (kind_ == 0) {
      TargetFolderLines(i);
      if (!s_.HideFileNameLabel) {
        ColumnHeader(i);
        Frame();
      }
    } else if (kind_ == 1) {
      line_.clear();
      Prefix(line_, depth - 1, kTreeBar, i - 1, TreeLine::Item);
      line_.append(t_.Folder(i));
      Emit(line_);
    }
  }

  void TargetFolderLines(int i) {
    const int depth = t_.Depth(i);
    std::u16string_view shown = t_.Folder(i);
    if (indent_) {
      const std::size_t slash = shown.rfind(u'/');
      if (slash != std::u16string_view::npos && slash + 1 < shown.size()) {
        shown = shown.substr(slash + 1);
      }
    }
    label_.clear();
    if (s_.RenameTarget) {
      label_.append(TextOf(s_.TargetName));
    } else if (!s_.HideTargetLabel) {
      label_.append(kTargetLabel);
    }
    label_.append(shown);

    // Narrower by the folder's level whether or not the tree is drawn (only
    // the file names' width follows IndentTree).
    const int width = layout_.nameWidth - 4 * (depth - 1);
    const int kind = (!s_.HideFileNameLabel || s_.FolderSizes) ? kTreeBranch : ConnectorKind(i);
    const WrappedText pieces = WrapText(label_, width, layout_.wrap);
    for (int k = 0; k < pieces.count; ++k) {
      line_.clear();
      Prefix(line_, depth - 1, kind, i - 1, k == 0 ? TreeLine::Item : TreeLine::Continuation);
      line_.append(pieces.pieces[k].text);
      Emit(line_);
    }
  }

  void ColumnHeader(int i) {
    name_.clear();
    Prefix(name_, t_.Depth(i) - 1, kTreeBar, i - 1, TreeLine::Item);
    name_.append(kFileNameLabel);
    line_.clear();
    if (layout_.fileNameOnly) {
      ComposeTextRow(line_, layout_, name_, {}, {}, {}, {});
    } else {
      static constexpr std::u16string_view kDates[4][3] = {
          {u"", u"", u""},
          {u"更新日付", u"作成日付", u""},
          {u"", u"", u"MD5"},
          {u"日付", u"作成日付", u"                    MD5"},
      };
      const auto& cols = kDates[layout_.ColumnState()];
      ComposeTextRow(line_, layout_, name_, u" ", cols[0], cols[1], cols[2]);
    }
    Emit(line_);
  }

  void ComposeFileRow(int i, std::u16string_view name) {
    line_.clear();
    if (layout_.fileNameOnly) {
      ComposeTextRow(line_, layout_, name, {}, {}, {}, {});
      return;
    }
    date1_.clear();
    date2_.clear();
    if (layout_.writeDate) {
      AppendTimeText(date1_, t_.Modified(i));
      AppendTimeText(date2_, t_.Created(i));
    }
    const std::u16string_view md5 = layout_.computeMd5 ? t_.Md5(i) : std::u16string_view{};
    ComposeTextRow(line_, layout_, name, t_.SizeText(i, sizeText_), date1_, date2_, md5);
  }

  void NormalFileLines(int i) {
    const int depth = t_.Depth(i);
    const int width = layout_.nameWidth - (indent_ ? 4 * depth : 0);
    const int kind = indent_ ? ConnectorKind(i) : 0;
    const WrappedText pieces = WrapText(t_.Name(i, nameBuffer_), width, layout_.wrap);
    name_.clear();
    Prefix(name_, depth, kind, i - 1, TreeLine::Item);
    name_.append(pieces.pieces[0].text);
    ComposeFileRow(i, name_);
    Emit(line_);
    for (int k = 1; k < pieces.count; ++k) {
      line_.clear();
      Prefix(line_, depth, kind, i - 1, TreeLine::Continuation);
      line_.append(pieces.pieces[k].text);
      Emit(line_);
    }
  }

  // Folder and name in the name column, unwrapped. The tree graphics have no
  // place in this form, so IndentTree draws none here.
  void FolderAndFileLine(int i) {
    const std::u16string_view folder = t_.Folder(i);
    name_.assign(folder);
    if (!folder.empty() && folder.back() != u'/') name_.push_back(u'/');
    name_.append(t_.Name(i, nameBuffer_));
    ComposeFileRow(i, name_);
    Emit(line_);
  }

  AppContext& ctx_;
  const SettingsRecord& s_;
  const RunState& run_;
  const EntryTable& t_;
  CFileCus& sink_;
  TextLayout layout_;
  int rows_;
  int kind_ = 0;
  bool indent_ = false;
  std::optional<TreeDrawer> tree_;
  std::u16string ending_;
  std::u16string separator_;
  // Reused for every line.
  std::u16string line_, tabbed_, name_, label_, date1_, date2_, sizeText_, nameBuffer_;
  int folderFileCount_ = 0;
  std::uint64_t folderSize_ = 0;
};

}  // namespace

std::u16string TotalLine(const RunState& run) {
  return u"総ファイル数 " + CountText(run.EntryCount - run.PlaceholderCount) + u" 個";
}

TextWriteStatus WriteTextCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path) {
  const bool file = !sink.ClipboardMode();
  const bool merge = file && ctx.options.settings.Unify;
  const bool extend = merge || (file && ctx.options.settings.AppendOutput);
  std::int64_t length = 0;
  if (extend) {
    length = sink.Length();
    if (length < 0) return TextWriteStatus::Failed;
    // An existing catalogue keeps its own encoding.
    if (length > 0) sink.SetUtf8Mode(!StartsWithUtf16Mark(sink));
  }
  if (merge) {
    if (IsEmptyCatalogue(sink, length)) {
      ctx.Host().ShowMessage({MsgId::FileEmpty, {ToDisplay(path)}}, MsgId::CaptionCannotEdit,
                             MsgIcon::Question, MsgButtons::YesNo);
      return TextWriteStatus::MergeTargetEmpty;
    }
  }
  if (file) {
    // The mark goes at offset 0 also when appending, so a file holds one.
    // UTF-8 text has none (a stream cannot seek back to it either).
    if (!sink.Utf8Mode() && (!sink.SeekToBegin() || !sink.WriteText(u"\uFEFF"))) {
      return TextWriteStatus::Failed;
    }
    if (ctx.options.settings.AppendOutput && sink.SeekToEnd() < 0) return TextWriteStatus::Failed;
    if (merge) {
      const std::int64_t at =
          sink.Utf8Mode() ? FindMergePointUtf8(sink, length) : FindMergePoint(sink, length);
      if (at < 0 || sink.Seek(at, CFileCus::SeekFrom::Begin) != at) return TextWriteStatus::Failed;
    }
  }

  TextCatalogueWriter(ctx, sink).Write();

  // The new text may be shorter than the old tail it overwrote.
  if (merge && !sink.TruncateHere()) return TextWriteStatus::Failed;
  return sink.Failed() ? TextWriteStatus::Failed : TextWriteStatus::Written;
}

}  // namespace ordano
