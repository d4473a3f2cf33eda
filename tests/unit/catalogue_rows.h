// Filling an EntryTable by hand the way a scan leaves it, for the output tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/app_context.h"
#include "core/format_size.h"
#include "platform/codepage.h"
#include "platform/time_text.h"

namespace ordano::testing {

struct CatalogueRow {
  CatalogueRow(std::u16string folder_, std::u16string name_, int depth_ = 1, int folderStart_ = 0,
               std::uint64_t size_ = 0, std::int64_t modified_ = 0, std::int64_t created_ = 0,
               std::u16string md5_ = {})
      : folder(std::move(folder_)),
        name(std::move(name_)),
        depth(depth_),
        folderStart(folderStart_),
        size(size_),
        modified(modified_),
        created(created_),
        md5(std::move(md5_)) {}
  std::u16string folder;
  std::u16string name;  // empty: an empty folder's placeholder
  int depth = 1;
  int folderStart = 0;
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // Unix seconds; 0 leaves the column empty
  std::int64_t created = 0;
  std::u16string md5;
};

// Writes the rows as the filling pass would: size texts made from the sizes
// (summing TotalSize), NameWidth from names and depths, placeholder count.
inline void FillTable(AppContext& ctx, const std::vector<CatalogueRow>& rows) {
  ctx.run.ResetForRun();
  ctx.table.Create(static_cast<int>(rows.size()) + 10);
  for (const CatalogueRow& r : rows) {
    const int i = ctx.run.EntryCount++;
    ctx.table.SetFolder(i, r.folder);
    ctx.table.SetDepth(i, r.depth);
    ctx.table.SetFolderStart(i, r.folderStart);
    if (r.name.empty()) {
      ++ctx.run.PlaceholderCount;
      continue;
    }
    ctx.table.SetName(i, r.name);
    ctx.table.SetSize(i, r.size);
    ctx.run.TotalSize = SaturatingAdd(ctx.run.TotalSize, r.size);
    ctx.table.SetSizeText(i, SizeFormatOf(ctx.options.settings));
    if (r.modified) ctx.table.SetModified(i, PackLocalTime(r.modified));
    if (r.created) ctx.table.SetCreated(i, PackLocalTime(r.created));
    ctx.table.SetMd5(i, r.md5);
    ctx.run.NameWidth =
        std::max(ctx.run.NameWidth, static_cast<int>(r.name.size()) + 4 * r.depth - 4);
  }
}

inline std::u16string Spaces(int n) {
  return std::u16string(static_cast<std::size_t>(std::max(n, 0)), u' ');
}
inline std::u16string Dashes(int n) { return std::u16string(static_cast<std::size_t>(n), u'-'); }

// The name column padded to width w by display width.
inline std::u16string NameCol(std::u16string_view name, int w) {
  return std::u16string(name) + Spaces(w - DisplayWidth(name));
}
// " %15sByte"
inline std::u16string SizeCol(std::u16string_view value, int field = 15) {
  return u" " + Spaces(field - static_cast<int>(value.size())) + std::u16string(value) + u"Byte";
}

// Splits text into lines at sep (a trailing separator gives no empty line).
inline std::vector<std::u16string> SplitLines(std::u16string_view text, std::u16string_view sep) {
  std::vector<std::u16string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t at = text.find(sep, from);
    if (at == std::u16string_view::npos) {
      lines.emplace_back(text.substr(from));
      break;
    }
    lines.emplace_back(text.substr(from, at - from));
    from = at + sep.size();
  }
  return lines;
}

}  // namespace ordano::testing
