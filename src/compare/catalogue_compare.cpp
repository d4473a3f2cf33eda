#include "compare/catalogue_compare.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <tuple>

#include "platform/unicode.h"

namespace ordano {
namespace {

int ComparePaths(const Catalogue& a, const CatalogueRow& ra, const Catalogue& b,
                 const CatalogueRow& rb) {
  const int c = a.folders[ra.folder].compare(b.folders[rb.folder]);
  if (c != 0) return c;
  return ra.name.compare(rb.name);
}

Difference Compared(const Catalogue& oldCat, const CatalogueRow& o, const CatalogueRow& n) {
  Difference d;
  d.kind = DifferenceKind::Changed;
  d.path = oldCat.PathOf(o);
  d.oldSize = o.size;
  d.newSize = n.size;
  d.oldModified = o.modified;
  d.newModified = n.modified;
  if (n.unreadable) {
    d.kind = DifferenceKind::Unreadable;
    return d;
  }
  if (o.hasSize && n.hasSize && o.size != n.size) d.changed |= Difference::kSize;
  if (o.modified.known && n.modified.known && !o.modified.SameInstant(n.modified)) {
    d.changed |= Difference::kModified;
  }
  if (o.hasMd5 && n.hasMd5 && o.md5 != n.md5) {
    d.changed |= Difference::kMd5;
    d.oldMd5 = Md5Text(o.md5);
    d.newMd5 = Md5Text(n.md5);
  }
  return d;
}

using MoveKey = std::tuple<std::array<std::uint8_t, 16>, std::uint64_t>;

}  // namespace

std::size_t CompareReport::Count(DifferenceKind kind) const {
  return static_cast<std::size_t>(std::count_if(differences.begin(), differences.end(),
                                                [kind](auto& d) { return d.kind == kind; }));
}

const char* KindWord(DifferenceKind kind) {
  switch (kind) {
    case DifferenceKind::Added:
      return "added";
    case DifferenceKind::Removed:
      return "removed";
    case DifferenceKind::Changed:
      return "changed";
    case DifferenceKind::Moved:
      return "moved";
    case DifferenceKind::Unreadable:
      return "unreadable";
  }
  return "";
}

CompareReport CompareCatalogues(const Catalogue& oldCat, const Catalogue& newCat) {
  // A CSV catalogue has only the shown names: the other side is matched by those.
  if (oldCat.rawNames != newCat.rawNames) {
    Catalogue shown = oldCat.rawNames ? oldCat : newCat;
    for (auto& row : shown.rows) {
      if (!IsValidUtf8(row.name)) row.name = Utf16ToUtf8(Utf8ToUtf16(row.name));
    }
    shown.rawNames = false;
    shown.SortRows();
    return oldCat.rawNames ? CompareCatalogues(shown, newCat) : CompareCatalogues(oldCat, shown);
  }
  CompareReport report;
  report.oldFiles = oldCat.rows.size();
  report.newFiles = newCat.rows.size();
  auto& out = report.differences;
  // Removed and added rows with digests, for the moves: (index in out, row).
  std::vector<std::pair<std::size_t, const CatalogueRow*>> removed;
  std::map<MoveKey, std::vector<std::size_t>> added;  // key -> indices in out, in order
  auto addRemoved = [&](const CatalogueRow& r) {
    if (r.hasMd5 && r.hasSize) removed.emplace_back(out.size(), &r);
    Difference& d = out.emplace_back();
    d.kind = DifferenceKind::Removed;
    d.path = oldCat.PathOf(r);
    d.oldSize = r.size;
  };
  auto addAdded = [&](const CatalogueRow& r) {
    if (r.hasMd5 && r.hasSize) added[{r.md5, r.size}].push_back(out.size());
    Difference& d = out.emplace_back();
    d.kind = DifferenceKind::Added;
    d.path = newCat.PathOf(r);
    d.newSize = r.size;
  };

  std::size_t i = 0, j = 0;
  const auto& a = oldCat.rows;
  const auto& b = newCat.rows;
  while (i < a.size() || j < b.size()) {
    const int c = i == a.size() ? 1 : j == b.size() ? -1 : ComparePaths(oldCat, a[i], newCat, b[j]);
    if (c < 0) {
      addRemoved(a[i++]);
    } else if (c > 0) {
      addAdded(b[j++]);
    } else {
      Difference d = Compared(oldCat, a[i++], b[j++]);
      if (d.kind == DifferenceKind::Changed && d.changed == 0) {
        ++report.unchanged;
      } else {
        out.push_back(std::move(d));
      }
    }
  }

  // Each removed file takes the first added file with its digest and size.
  std::vector<bool> drop(out.size(), false);
  for (const auto& [at, row] : removed) {
    auto it = added.find({row->md5, row->size});
    if (it == added.end() || it->second.empty()) continue;
    const std::size_t to = it->second.front();
    it->second.erase(it->second.begin());
    out[at].kind = DifferenceKind::Moved;
    out[at].movedTo = std::move(out[to].path);
    out[at].newSize = row->size;
    drop[to] = true;
  }
  std::size_t k = 0;
  for (std::size_t n = 0; n < out.size(); ++n) {
    if (drop[n]) continue;
    if (k != n) out[k] = std::move(out[n]);
    ++k;
  }
  out.resize(k);
  return report;
}

std::string DifferenceLine(const Difference& d) {
  std::string line = KindWord(d.kind);
  line.resize(11, ' ');
  line += d.path;
  if (d.kind == DifferenceKind::Moved) line += " -> " + d.movedTo;
  if (d.kind == DifferenceKind::Unreadable) line += " (could not be read)";
  if (d.kind == DifferenceKind::Changed) {
    std::string what;
    auto part = [&](const std::string& text) { what += (what.empty() ? "" : "; ") + text; };
    if (d.changed & Difference::kSize) {
      part("size " + std::to_string(d.oldSize) + " -> " + std::to_string(d.newSize));
    }
    if (d.changed & Difference::kModified) {
      part("modified " + d.oldModified.Text() + " -> " + d.newModified.Text());
    }
    if (d.changed & Difference::kMd5) part("md5 " + d.oldMd5 + " -> " + d.newMd5);
    line += "  (" + what + ")";
  }
  return line;
}

std::string ReportSummary(const CompareReport& r) {
  if (r.Equal()) return "equal: " + std::to_string(r.unchanged) + " files";
  std::string s;
  for (const auto kind : {DifferenceKind::Added, DifferenceKind::Removed, DifferenceKind::Changed,
                          DifferenceKind::Moved, DifferenceKind::Unreadable}) {
    const std::size_t n = r.Count(kind);
    if (n == 0) continue;
    if (!s.empty()) s += ", ";
    s += std::to_string(n) + " " + KindWord(kind);
  }
  return s + "; " + std::to_string(r.unchanged) + " unchanged";
}

std::string ReportText(const CompareReport& report) {
  std::string text;
  // A name may hold escape sequences or a line break that would forge a line.
  for (const auto& d : report.differences) text += TerminalText(DifferenceLine(d)) + "\n";
  return text + ReportSummary(report) + "\n";
}

std::string ReportJson(const CompareReport& r) {
  using Json = nlohmann::ordered_json;
  auto path = [](Json& j, const char* key, const std::string& p) {
    j[key] = p;
    if (!IsValidUtf8(p)) j[std::string(key) + "_bytes"] = HexText(p);
  };
  Json summary;
  summary["equal"] = r.Equal();
  summary["old_files"] = r.oldFiles;
  summary["new_files"] = r.newFiles;
  summary["unchanged"] = r.unchanged;
  for (const auto kind : {DifferenceKind::Added, DifferenceKind::Removed, DifferenceKind::Changed,
                          DifferenceKind::Moved, DifferenceKind::Unreadable}) {
    summary[KindWord(kind)] = r.Count(kind);
  }
  std::string out = "{\"summary\":" + summary.dump() + ",\"differences\":[";
  bool first = true;
  for (const auto& d : r.differences) {
    Json j;
    j["kind"] = KindWord(d.kind);
    path(j, "path", d.path);
    if (d.kind == DifferenceKind::Moved) path(j, "moved_to", d.movedTo);
    if (d.changed & Difference::kSize) j["size"] = {d.oldSize, d.newSize};
    if (d.changed & Difference::kModified) {
      j["modified"] = {d.oldModified.Text(), d.newModified.Text()};
    }
    if (d.changed & Difference::kMd5) j["md5"] = {d.oldMd5, d.newMd5};
    out += first ? "\n" : ",\n";
    first = false;
    out += j.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  return out + "\n]}\n";
}

}  // namespace ordano
