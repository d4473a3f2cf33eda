#include "library/library_pages.h"

#include <cstdint>
#include <limits>
#include <span>
#include <utility>

namespace ordano {
namespace {

// What a hit is sorted by. Each order ends with the file's id, so no two
// hits share a key and a page can start right after the last one shown.
enum class Field { kName, kPath, kSize, kModified, kLabel, kKey, kOffline, kId };

std::vector<Field> KeyFields(FindSort by) {
  using enum Field;
  switch (by) {
    case FindSort::kName:
      return {kName, kPath, kId};
    case FindSort::kFolder:
      return {kPath, kName, kId};
    case FindSort::kSize:
      return {kSize, kName, kId};
    case FindSort::kModified:
      return {kModified, kName, kId};
    case FindSort::kOnline:
      return {kOffline, kLabel, kKey, kPath, kName, kId};
    case FindSort::kVolume:
      break;
  }
  return {kLabel, kKey, kPath, kName, kId};
}

// A file without a time sorts before every time.
constexpr std::int64_t kNoTime = std::numeric_limits<std::int64_t>::min();

std::string Expression(Field field, std::size_t onlineKeys) {
  switch (field) {
    case Field::kName:
      return "f.name";
    case Field::kPath:
      return "d.path";
    case Field::kSize:
      return "f.size";
    case Field::kModified:
      return "COALESCE(f.mtime, :notime)";
    case Field::kLabel:
      return "v.label";
    case Field::kKey:
      return "v.key";
    case Field::kOffline: {
      if (onlineKeys == 0) return "1";
      std::string in = "(CASE WHEN v.key IN (";
      for (std::size_t i = 0; i < onlineKeys; ++i) {
        in += (i == 0 ? ":online" : ", :online") + std::to_string(i);
      }
      return in + ") THEN 0 ELSE 1 END)";
    }
    case Field::kId:
      break;
  }
  return "f.id";
}

bool Online(const FindHit& hit, const FindOrder& order) {
  for (const std::string& key : order.onlineKeys) {
    if (key == hit.volumeKey) return true;
  }
  return false;
}

void BindField(Statement& s, int at, Field field, const FindHit& hit, const FindOrder& order) {
  switch (field) {
    case Field::kName:
      s.BindBlob(at, hit.name);
      return;
    case Field::kPath:
      s.BindBlob(at, hit.folder);
      return;
    case Field::kSize:
      s.Bind(at, static_cast<std::int64_t>(hit.size));
      return;
    case Field::kModified:
      s.Bind(at, hit.modified.value_or(kNoTime));
      return;
    case Field::kLabel:
      s.Bind(at, std::string_view(hit.volumeLabel));
      return;
    case Field::kKey:
      s.Bind(at, std::string_view(hit.volumeKey));
      return;
    case Field::kOffline:
      s.Bind(at, std::int64_t{Online(hit, order) ? 0 : 1});
      return;
    case Field::kId:
      s.Bind(at, hit.fileId);
      return;
  }
}

// Binds a named parameter where the statement has it.
template <typename Value>
void BindNamed(Statement& s, const std::string& name, const Value& value) {
  if (const int at = s.Parameter(name.c_str()); at > 0) s.Bind(at, value);
}

}  // namespace

std::vector<FindHit> Library::Find(const FindQuery& query) {
  // All hits at once: sorted in memory, faster than by SQL (volumes and
  // folders are ranked once).
  Statement s = FindStatement(query, false, "");
  std::vector<FindHit> hits = ReadHits(s);
  SortHits(hits);
  return hits;
}

std::vector<FindHit> Library::FindPage(const FindQuery& query, const FindOrder& order,
                                       const FindHit* after, int limit) {
  const std::vector<Field> fields = KeyFields(order.by);
  const std::size_t online = order.onlineKeys.size();
  std::string key, start, sort;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string e = Expression(fields[i], online);
    const char* comma = i == 0 ? "" : ", ";
    key += comma + e;
    start += comma + (":after" + std::to_string(i));
    sort += comma + e + (order.descending ? " DESC" : "");
  }
  std::string tail;
  // Rows after the last one shown, by the whole key (as a row value).
  if (after != nullptr)
    tail += " AND (" + key + (order.descending ? ") < (" : ") > (") + start + ")";
  tail += " ORDER BY " + sort;
  if (limit >= 0) tail += " LIMIT :limit";

  Statement s = FindStatement(query, false, tail);
  BindNamed(s, ":notime", kNoTime);
  for (std::size_t i = 0; i < online; ++i) {
    BindNamed(s, ":online" + std::to_string(i), std::string_view(order.onlineKeys[i]));
  }
  if (after != nullptr) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      BindField(s, s.Parameter((":after" + std::to_string(i)).c_str()), fields[i], *after, order);
    }
  }
  BindNamed(s, ":limit", std::int64_t{limit});
  return ReadHits(s);
}

std::uint64_t Library::CountHits(const FindQuery& query) {
  Statement s = FindStatement(query, true, "");
  return s.Step() ? static_cast<std::uint64_t>(s.Int(0)) : 0;
}

void Library::StopWhen(std::function<bool()> stop) { backend_->StopWhen(std::move(stop)); }

}  // namespace ordano
