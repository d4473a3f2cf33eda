// The searchable page: one HTML file holding the page's script and style
// (built into the program from data/view) and the catalogue as compact JSON
// in a script element. The data is columnar: folders once (each as the part
// that differs from the folder before it), rows as runs of one folder, then
// the names, sizes and times as arrays, so a million files stay small and
// parse fast in the browser.
#include <algorithm>
#include <charconv>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/app_context.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "output/json_writer.h"
#include "output/view_assets.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

constexpr std::size_t kFlushAt = 1 << 20;

// The wall clock of a packed time as seconds since 1970 (the page shows it
// as UTC, so it reads as the time the other catalogues show); 0 for none.
std::int64_t WallSeconds(PackedTime t) {
  if (t == 0) return 0;
  std::int64_t f = TimeOrderKey(t);
  const int sec = static_cast<int>(f % 100);
  f /= 100;
  const int min = static_cast<int>(f % 100);
  f /= 100;
  const int hour = static_cast<int>(f % 100);
  f /= 100;
  const auto day = static_cast<unsigned>(f % 100);
  f /= 100;
  const auto month = static_cast<unsigned>(f % 100);
  int year = static_cast<int>(f / 100);
  year -= month <= 2 ? 1 : 0;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const auto yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
  return days * 86400 + hour * 3600 + min * 60 + sec;
}

// Units two texts share at their start, never ending inside a surrogate pair.
std::size_t SharedPrefix(std::u16string_view a, std::u16string_view b) {
  std::size_t n = 0;
  const std::size_t most = std::min(a.size(), b.size());
  while (n < most && a[n] == b[n]) ++n;
  if (n > 0 && a[n - 1] >= 0xD800 && a[n - 1] <= 0xDBFF) --n;
  return n;
}

class ViewWriter {
 public:
  ViewWriter(AppContext& ctx, CFileCus& sink)
      : s_(ctx.options.settings),
        run_(ctx.run),
        t_(ctx.table),
        rows_(std::min(ctx.run.EntryCount, ctx.table.Capacity())),
        sink_(sink) {}

  void Write() {
    out_ +=
        "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "script-src 'unsafe-inline'; style-src 'unsafe-inline'\">"
        "<meta name=\"viewport\" content=\"width=device-width\">"
        "<meta name=\"generator\" content=\"ordano\"><title>おるだの♪</title><style>";
    out_ += kViewCss;
    out_ += "</style></head><body>\n<script type=\"application/json\" id=\"ordano-data\">";
    Data();
    out_ += "</script>\n<script>";
    out_ += kViewJs;
    out_ += "</script></body></html>\n";
    Flush();
  }

 private:
  void Flush() {
    sink_.WriteUtf8(out_);
    out_.clear();
  }
  void MaybeFlush() {
    if (out_.size() >= kFlushAt) Flush();
  }
  void Text(std::u16string_view text) { AppendJsonString(out_, text, true); }
  template <class Int>
  void Number(Int v) {
    char buf[24];
    out_.append(buf, static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
  }

  void Data() {
    const bool links = s_.HtmlLinks != 0;
    const bool md5 = s_.ComputeMd5 != 0;
    // Folders in the order their rows come, each index kept for its runs.
    std::unordered_map<std::u16string_view, std::uint32_t> folderIndex;
    std::vector<std::u16string_view> folders, linkHeads;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;  // folder, files
    std::vector<int> files;
    std::int64_t base = 0;
    bool haveBase = false;
    for (int i = 0; i < rows_; ++i) {
      const std::u16string_view folder = t_.Folder(i);
      const auto [it, added] =
          folderIndex.try_emplace(folder, static_cast<std::uint32_t>(folders.size()));
      if (added) {
        folders.push_back(folder);
        linkHeads.emplace_back();
      }
      if (runs.empty() || runs.back().first != it->second) runs.push_back({it->second, 0});
      if (!t_.HasName(i)) continue;
      ++runs.back().second;
      files.push_back(i);
      if (links && linkHeads[it->second].empty()) {
        const auto parts = t_.LinkPathParts(i, nameBuffer_);
        if (!parts.second.empty()) linkHeads[it->second] = parts.first;
      }
      const std::int64_t wall = WallSeconds(t_.Modified(i));
      if (wall != 0 && (!haveBase || wall < base)) {
        base = wall;
        haveBase = true;
      }
    }

    out_ += "{\"version\":1,\"title\":";
    std::u16string title;
    for (const std::string& root : run_.Roots) {
      if (!title.empty()) title += u", ";
      title += ToDisplay(root);
    }
    Text(title);
    out_ += md5 ? ",\"md5\":true" : ",\"md5\":false";
    out_ += links ? ",\"links\":true" : ",\"links\":false";
    out_ += ",\"t0\":";
    Number(base - 1);
    out_ += ",\"folders\":[";
    std::u16string_view previous;
    for (std::size_t f = 0; f < folders.size(); ++f) {
      const std::size_t shared = SharedPrefix(previous, folders[f]);
      if (f > 0) out_ += ',';
      Number(shared);
      out_ += ',';
      Text(folders[f].substr(shared));
      previous = folders[f];
    }
    out_ += "],\"runs\":[";
    for (std::size_t r = 0; r < runs.size(); ++r) {
      if (r > 0) out_ += ',';
      Number(runs[r].first);
      out_ += ',';
      Number(runs[r].second);
    }
    out_ += "],\"names\":[";
    for (std::size_t k = 0; k < files.size(); ++k) {
      if (k > 0) out_ += ',';
      Text(t_.Name(files[k], nameBuffer_));
      MaybeFlush();
    }
    out_ += "],\"sizes\":[";
    for (std::size_t k = 0; k < files.size(); ++k) {
      if (k > 0) out_ += ',';
      Number(t_.Size(files[k]));
      MaybeFlush();
    }
    // Seconds after t0; 0 for a file without a time.
    out_ += "],\"times\":[";
    for (std::size_t k = 0; k < files.size(); ++k) {
      if (k > 0) out_ += ',';
      const std::int64_t wall = WallSeconds(t_.Modified(files[k]));
      Number(wall == 0 ? 0 : wall - base + 1);
      MaybeFlush();
    }
    out_ += ']';
    if (md5) {
      // 32 characters a file, "-" for none.
      out_ += ",\"md5s\":\"";
      for (const int i : files) {
        const std::u16string_view digest = t_.Md5(i);
        if (digest.size() == 32 && IsHexDigest(digest)) {
          for (const char16_t c : digest) out_ += static_cast<char>(c);
        } else {
          out_.append(32, '-');
        }
        MaybeFlush();
      }
      out_ += '"';
    }
    if (links) Links(folders, folderIndex, linkHeads, files);
    out_ += '}';
  }

  static bool IsHexDigest(std::u16string_view d) {
    return std::all_of(d.begin(), d.end(), [](char16_t c) {
      return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
  }

  // Each folder's link head; a file whose link is not its folder's head and
  // its name has its whole link, by its file number.
  void Links(const std::vector<std::u16string_view>& folders,
             const std::unordered_map<std::u16string_view, std::uint32_t>& folderIndex,
             const std::vector<std::u16string_view>& linkHeads, const std::vector<int>& files) {
    out_ += ",\"heads\":[";
    for (std::size_t f = 0; f < folders.size(); ++f) {
      if (f > 0) out_ += ',';
      Text(linkHeads[f]);
    }
    out_ += "],\"linkx\":{";
    bool first = true;
    for (std::size_t k = 0; k < files.size(); ++k) {
      const int i = files[k];
      const auto [head, name] = t_.LinkPathParts(i, linkNameBuffer_);
      const std::u16string_view folderHead = linkHeads[folderIndex.at(t_.Folder(i))];
      if (!name.empty() && head == folderHead) continue;
      const std::u16string whole = t_.LinkPath(i);
      const std::u16string_view fileName = t_.Name(i, nameBuffer_);
      if (whole.size() == folderHead.size() + fileName.size() && whole.starts_with(folderHead) &&
          std::u16string_view(whole).substr(folderHead.size()) == fileName) {
        continue;
      }
      if (!first) out_ += ',';
      first = false;
      out_ += '"';
      Number(k);
      out_ += "\":";
      Text(whole);
      MaybeFlush();
    }
    out_ += '}';
  }

  const SettingsRecord& s_;
  const RunState& run_;
  const EntryTable& t_;
  const int rows_;
  CFileCus& sink_;
  std::string out_;
  std::u16string nameBuffer_, linkNameBuffer_;
};

}  // namespace

bool WriteViewCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path) {
  // The page is one document: always written whole, never appended to.
  sink.SetUtf8Mode(true);
  if (!sink.Open(path, CFileCus::OpenMode::Replace)) {
    ShowWriteFailure(ctx, path, sink.Error());
    return false;
  }
  ViewWriter(ctx, sink).Write();
  if (!sink.Close()) {
    ShowWriteFailure(ctx, path, sink.Error());
    return false;
  }
  return true;
}

}  // namespace ordano
