#include "output/html_writer.h"

#include <algorithm>
#include <span>
#include <vector>

#include "core/app_context.h"
#include "core/format_size.h"
#include "output/catalogue_labels.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "output/html_escape.h"
#include "output/text_writer.h"
#include "scan/volume_info.h"
#include "settings/settings_normalise.h"

namespace ordano {
namespace {

constexpr std::size_t kFlushAt = 32768;
constexpr std::int64_t kBodySearchBytes = 1000;

constexpr std::u16string_view kDefaultHead =
    u"<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
    u"<title>おるだの♪出力結果</title></head>";
constexpr std::u16string_view kTableStart =
    u"<table border=\"1\" bgcolor=\"#FFFFFF\" bordercolordark=\"#808080\" "
    u"bordercolorlight=\"#C0C0C0\">";
constexpr std::u16string_view kPageEnd = u"</table></body></html>";
constexpr std::u16string_view kDefaultFolderAttributes = u"bgcolor=#00FF00";
constexpr char16_t kIdeographicSpace = u'\u3000';

// Text up to (not including) the last "."; empty without a ".".
std::u16string_view BeforeLastDot(std::u16string_view text) {
  const std::size_t dot = text.rfind(u'.');
  return dot == std::u16string_view::npos ? std::u16string_view{} : text.substr(0, dot);
}

// The first n units, never ending inside a surrogate pair.
std::u16string_view CutTo(std::u16string_view text, int n) {
  if (n < 0) n = 0;
  if (text.size() <= static_cast<std::size_t>(n)) return text;
  std::size_t end = static_cast<std::size_t>(n);
  if (end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) --end;
  return text.substr(0, end);
}

void AppendIndent(std::u16string& out, int count) {
  if (count > 0) out.append(static_cast<std::size_t>(count), kIdeographicSpace);
}

class HtmlCatalogueWriter {
 public:
  HtmlCatalogueWriter(AppContext& ctx, CFileCus& sink)
      : ctx_(ctx),
        s_(ctx.options.settings),
        run_(ctx.run),
        t_(ctx.table),
        sink_(sink),
        rows_(std::min(ctx.run.EntryCount, ctx.table.Capacity())),
        fileNameOnly_(s_.FileNameOnly != 0),
        writeDate_(s_.WriteDate != 0),
        md5_(s_.ComputeMd5 != 0),
        indent_(s_.IndentTree != 0) {
    out_.reserve(kFlushAt + 8192);
    // FileTag goes into every "<td" of the file cells.
    if (s_.FileTagEnabled) {
      const std::u16string_view tag = TextOf(s_.FileTag);
      td_ = u"<td " + std::u16string(tag) + u">";
      tdSize_ = u"<td " + std::u16string(tag) + u" align=right>";
    } else {
      td_ = u"<td>";
      tdSize_ = u"<td align=right>";
    }
    const int columns = fileNameOnly_ ? 1 : 2 + (writeDate_ ? 2 : 0) + (md5_ ? 1 : 0);
    folderCell_ = u"<td colspan=\"";
    AppendCount(folderCell_, columns);
    folderCell_.append(u"\" ");
    folderCell_.append(s_.FolderTagEnabled ? TextOf(s_.FolderTag) : kDefaultFolderAttributes);
    folderCell_.push_back(u'>');
    // As in the CSV catalogue, a hidden label wins over a renamed one.
    if (!s_.HideTargetLabel) {
      targetLabel_ = s_.RenameTarget ? TextOf(s_.TargetName) : kTargetFolderLabel;
    }
  }

  // "<html>", the head and the body tag of a new page.
  void PageStart() {
    out_.append(u"<html>\r\n");
    if (s_.HeadTagsEnabled) {
      out_.append(MigrateHeadCharset(TextOf(s_.HeadTags)));
    } else {
      out_.append(kDefaultHead);
    }
    out_.append(u"\r\n");
    if (s_.BodyTagsEnabled) {
      out_.append(TextOf(s_.BodyTags));
    } else {
      out_.append(u"<body bgcolor=\"#");
      if (!run_.CmdBackColor.empty()) {
        AppendHtmlEscaped(out_, run_.CmdBackColor);
      } else {
        out_.append(HtmlBackColorText(s_.HtmlBackColor));
      }
      out_.append(u"\">");
    }
    out_.append(u"\r\n");
  }

  // The table with every row, then the closing tags of the page.
  void Table() {
    out_.append(kTableStart);
    out_.append(u"\r\n");
    const bool totalTop = s_.TotalCountPlace == 1;
    if (!s_.HideTotalLabel && totalTop) TotalRow();
    if (CapacityHere(0)) CapacityRows();

    for (int i = 0; i < rows_; ++i) {
      if (i == 0 || !SameFolder(i, i - 1)) FolderChange(i);
      if (!t_.HasName(i)) continue;  // an empty folder's placeholder
      FileRow(i);
      ++folderFileCount_;
      folderSize_ = SaturatingAdd(folderSize_, t_.Size(i));
    }

    if (s_.FolderSizes) {
      // Indented like the last row's folder.
      label_.clear();
      if (indent_ && rows_ > 0) AppendIndent(label_, 2 * t_.Depth(rows_ - 1) - 2);
      label_.append(FolderCountLabel(folderFileCount_, false));
      FolderSummary(label_);
    }
    if (!s_.HideTotalLabel && !totalTop) TotalRow();
    if (CapacityHere(1)) CapacityRows();
    out_.append(kPageEnd);
    out_.append(u"\r\n");
    Flush();
  }

  void Flush() {
    sink_.WriteText(out_);
    out_.clear();
  }

 private:
  void EndRow() {
    out_.append(u"\r\n</tr>\r\n");
    if (out_.size() >= kFlushAt) Flush();
  }

  // The cells after the name cell, with texts (header and summary rows).
  void TextCells(std::u16string_view size, std::u16string_view date1, std::u16string_view date2,
                 std::u16string_view md5) {
    out_.append(u"</td>");
    if (fileNameOnly_) return;
    out_.append(tdSize_);
    AppendHtmlEscaped(out_, size);
    out_.append(u"Byte</td>");
    if (writeDate_) {
      out_.append(td_);
      out_.append(date1);
      out_.append(u"</td>");
      out_.append(td_);
      out_.append(date2);
      out_.append(u"</td>");
    }
    if (md5_) {
      out_.append(td_);
      out_.append(md5);
      out_.append(u"</td>");
    }
  }

  // A summary row: the label in the name cell, the value in the size cell.
  void SummaryRow(std::u16string_view label, std::u16string_view value) {
    out_.append(u"<tr>\r\n");
    out_.append(td_);
    out_.append(label);
    TextCells(value, {}, {}, {});
    EndRow();
  }

  void TotalRow() { SummaryRow(TotalLine(run_), FormatSize(s_, run_.TotalSize)); }

  bool CapacityHere(int place) const {
    return run_.CapacityRequested && !fileNameOnly_ && s_.CapacityPlace == place;
  }

  // When the capacity cannot be read there is nothing true to show.
  void CapacityRows() {
    const CapacityInfo cap = QueryCapacity(ctx_);
    if (!cap.ok) return;
    SummaryRow(kFreeSpaceLabel, FormatSize(s_, cap.free));
    SummaryRow(kTotalCapacityLabel, FormatSize(s_, cap.total));
  }

  void FolderSummary(std::u16string_view label) {
    SummaryRow(label, FormatSize(s_, folderSize_));
    folderFileCount_ = 0;
    folderSize_ = 0;
  }

  bool SameFolder(int a, int b) const { return t_.SameFolder(a, b); }

  void FolderChange(int i) {
    if (i > 0 && s_.FolderSizes) FolderSummary(FolderCountLabel(folderFileCount_));
    const int depthIndent = indent_ ? 2 * t_.Depth(i) - 2 : 0;

    out_.append(u"<tr>\r\n");
    out_.append(folderCell_);
    AppendIndent(out_, depthIndent);
    out_.append(targetLabel_);
    AppendHtmlEscaped(out_, t_.Folder(i));
    out_.append(u"</td>");
    EndRow();

    if (s_.HideFileNameLabel) return;
    out_.append(u"<tr>\r\n");
    out_.append(td_);
    AppendIndent(out_, depthIndent);
    out_.append(kFileNameLabel);
    TextCells(kSizeLabel, kModifiedLabel, kCreatedLabel, kMd5Label);
    EndRow();
  }

  void NameText(int i) {
    const std::u16string_view name = t_.Name(i, nameBuffer_);
    if (s_.LinkTagsEnabled) {
      AppendLinkTags(out_, TextOf(s_.LinkTags), t_.LinkPath(i), name, t_.Title(i), i);
      return;
    }
    // The cut falls on the visible name only, never on the markup.
    const std::u16string_view shown = s_.AppendNameDigits ? CutTo(name, run_.NameWidth) : name;
    if (s_.HtmlLinks) {
      out_.append(u"<a href=\"");
      AppendHrefEncoded(out_, t_.LinkPath(i));
      out_.append(u"\">");
      AppendHtmlEscaped(out_, shown);
      out_.append(u"</a>");
    } else {
      AppendHtmlEscaped(out_, shown);
    }
  }

  void FileRow(int i) {
    out_.append(u"<tr>\r\n");
    out_.append(td_);
    if (indent_) AppendIndent(out_, 2 * t_.Depth(i) - 1);
    NameText(i);
    out_.append(u"</td>");
    if (!fileNameOnly_) {
      out_.append(tdSize_);
      AppendHtmlEscaped(out_, t_.SizeText(i, sizeText_));
      out_.append(u"Byte</td>");
      if (writeDate_) {
        out_.append(td_);
        AppendTimeText(out_, t_.Modified(i));
        out_.append(u"</td>");
        out_.append(td_);
        AppendTimeText(out_, t_.Created(i));
        out_.append(u"</td>");
      }
      if (md5_) {
        out_.append(td_);
        AppendHtmlEscaped(out_, t_.Md5(i));
        out_.append(u"</td>");
      }
    }
    EndRow();
  }

  AppContext& ctx_;
  const SettingsRecord& s_;
  const RunState& run_;
  const EntryTable& t_;
  CFileCus& sink_;
  const int rows_;
  const bool fileNameOnly_;
  const bool writeDate_;
  const bool md5_;
  const bool indent_;
  std::u16string td_, tdSize_, folderCell_, targetLabel_;
  std::u16string out_, label_, sizeText_, nameBuffer_;
  int folderFileCount_ = 0;
  std::uint64_t folderSize_ = 0;
};

// An empty file, or one holding nothing but the byte-order mark: a new page.
bool HoldsNoPage(CFileCus& sink, std::int64_t length) {
  if (length == 0) return true;
  if (length != 3) return false;
  std::byte head[3];
  if (!sink.SeekToBegin() || sink.Read(head) != 3) return false;
  return head[0] == std::byte{0xEF} && head[1] == std::byte{0xBB} && head[2] == std::byte{0xBF};
}

// Positions the sink where an appended table goes: at the page's "</body>"
// near its end, or else at the very end, so nothing of the page is lost.
bool MoveToBodyEnd(CFileCus& sink, std::int64_t length) {
  const std::int64_t n = std::min(length, kBodySearchBytes);
  std::vector<char> tail(static_cast<std::size_t>(n));
  if (sink.Seek(length - n, CFileCus::SeekFrom::Begin) < 0) return false;
  if (sink.Read(std::as_writable_bytes(std::span<char>(tail))) != n) return false;
  const std::int64_t at = FindBodyEnd(std::string_view(tail.data(), tail.size()));
  if (at >= 0) return sink.Seek(length - n + at, CFileCus::SeekFrom::Begin) >= 0;
  if (sink.SeekToEnd() < 0) return false;
  if (n > 0 && tail.back() != '\n') return sink.WriteText(u"\r\n");
  return true;
}

}  // namespace

void AppendLinkTags(std::u16string& out, std::u16string_view linkTemplate,
                    std::u16string_view linkPath, std::u16string_view name,
                    std::u16string_view title, int rowIndex) {
  std::size_t run = 0;
  for (std::size_t k = 0; k + 1 < linkTemplate.size(); ++k) {
    if (linkTemplate[k] != u'%') continue;
    const char16_t which = linkTemplate[k + 1];
    if (which < u'1' || which > u'6') continue;
    out.append(linkTemplate.substr(run, k - run));
    switch (which) {
      case u'1':
        AppendHrefEncoded(out, linkPath);
        break;
      case u'2':
        AppendHtmlEscaped(out, name);
        break;
      case u'3':
        AppendHtmlEscaped(out, title.empty() ? name : title);
        break;
      case u'4':
        AppendHrefEncoded(out, BeforeLastDot(linkPath));
        break;
      case u'5':
        AppendHtmlEscaped(out, BeforeLastDot(name));
        break;
      default:
        AppendCount(out, rowIndex);
        break;
    }
    ++k;
    run = k + 1;
  }
  out.append(linkTemplate.substr(std::min(run, linkTemplate.size())));
}

std::int64_t FindBodyEnd(std::string_view tail) {
  static constexpr std::string_view kRest = "/body>";
  for (std::size_t at = tail.rfind('<'); at != std::string_view::npos;
       at = at == 0 ? std::string_view::npos : tail.rfind('<', at - 1)) {
    const std::string_view rest = tail.substr(at + 1);
    if (rest.size() < kRest.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < kRest.size() && same; ++k) {
      char c = rest[k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = c == kRest[k];
    }
    if (same) return static_cast<std::int64_t>(at);
  }
  return -1;
}

bool WriteHtmlCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path) {
  const SettingsRecord& s = ctx.options.settings;
  sink.SetUtf8Mode(true);
  // Appending and merging need the page that is there; they never create one.
  // An append extends it in place; a merge rewrites a copy.
  const auto mode = s.AppendOutput ? CFileCus::OpenMode::OpenExisting
                    : s.Unify      ? CFileCus::OpenMode::Edit
                                   : CFileCus::OpenMode::Replace;
  if (!sink.Open(path, mode)) {
    ShowHtmlWriteFailure(ctx, path, sink.Error());
    return false;
  }

  bool ok = true;
  bool newPage = true;
  if (s.AppendOutput) {
    const std::int64_t length = sink.Length();
    ok = length >= 0;
    if (ok && !HoldsNoPage(sink, length)) {
      newPage = false;
      ok = MoveToBodyEnd(sink, length);
    }
  }
  if (ok && newPage) ok = sink.SeekToBegin() && sink.WriteUtf8Bom();
  if (ok) {
    HtmlCatalogueWriter writer(ctx, sink);
    if (newPage) writer.PageStart();
    writer.Table();
    // What an older, longer page left after the new end is not part of it.
    ok = sink.TruncateHere();
  }
  // Nothing of a failed catalogue is kept: the old file stays as it was.
  if (!ok || !sink.Close()) {
    sink.Abandon();
    ShowHtmlWriteFailure(ctx, path, sink.Error());
    return false;
  }
  return true;
}

}  // namespace ordano
