#include "scan/archive/archiver_table.h"

#include <array>
#include <string>

#include "scan/archive/arj_reader.h"
#include "scan/archive/libarchive_archiver.h"

namespace ordano {
namespace {

enum class Reader { None, Libarchive, Arj };

struct RowDefinition {
  std::string_view library, prefix;
  std::vector<std::string_view> endings;
  std::string_view versionFormat, absentText;
  Reader reader;
  LibarchiveKind kind;
};

// The table in its testing order.
std::vector<RowDefinition> Definitions() {
  return {
      {"unlha32",
       "Unlha",
       {".lzh"},
       "UnLHA32.dll Ver %d.%d.%d.%d",
       "UnLHA32.dll none",
       Reader::Libarchive,
       LibarchiveKind::Lzh},
      {"unzip32",
       "UnZip",
       {".zip"},
       "UnZIP32.dll Ver %d.%d",
       "UnZIP32.dll none",
       Reader::Libarchive,
       LibarchiveKind::Zip},
      {"cab32",
       "Cab",
       {".cab"},
       "CAB32.dll Ver %d.%d",
       "CAB32.dll none",
       Reader::Libarchive,
       LibarchiveKind::Cab},
      {"unrar32",
       "Unrar",
       {".rar"},
       "UnRAR32.dll Ver %d.%d",
       "UnRAR32.dll none",
       Reader::Libarchive,
       LibarchiveKind::Rar},
      {"ungca32",
       "UnGCA",
       {".gca"},
       "UnGCA32.dll Ver %d.%d%c",
       "UnGCA32.dll none",
       Reader::None,
       LibarchiveKind::Zip},
      {"tar32",
       "Tar",
       {".tar", ".bz2", ".gz"},
       "TAR32.dll Ver %d.%d",
       "TAR32.dll none",
       Reader::Libarchive,
       LibarchiveKind::Tar},
      {"unarj32j",
       "Unarj",
       {".arj"},
       "UnARJ32.dll Ver %d.%d.%d.%d",
       "UnARJ32.dll none",
       Reader::Arj,
       LibarchiveKind::Zip},
      {"bga32",
       "Bga",
       {".gza", ".bza", ".bga"},
       "BGA32.dll Ver %d.%d",
       "BGA32.dll none",
       Reader::None,
       LibarchiveKind::Zip},
      {"7-zip32",
       "SevenZip",
       {".7z"},
       "7-ZIP32.dll Ver %d.%d.%d.%d",
       "7-ZIP32.dll none",
       Reader::Libarchive,
       LibarchiveKind::SevenZip},
  };
}

std::shared_ptr<ArchiverTable> BuildTable(bool withReaders) {
  auto table = std::make_shared<ArchiverTable>();
  for (auto& def : Definitions()) {
    ArchiverRow row{
        def.library, def.prefix, std::move(def.endings), def.versionFormat, def.absentText,
        nullptr,     {}};
    if (withReaders) {
      if (def.reader == Reader::Libarchive && LibarchiveReads(def.kind)) {
        row.archiver = MakeLibarchiveArchiver(def.kind);
      } else if (def.reader == Reader::Arj) {
        row.archiver = MakeArjArchiver();
      }
    }
    if (row.archiver) row.versionText = VersionText(row.versionFormat, *row.archiver);
    table->rows.push_back(std::move(row));
  }
  return table;
}

bool EndsWithLower(std::string_view path, std::string_view ending) {
  if (path.size() < ending.size()) return false;
  const std::string_view tail = path.substr(path.size() - ending.size());
  for (std::size_t i = 0; i < ending.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != ending[i]) return false;
  }
  return true;
}

}  // namespace

const ArchiverRow* ArchiverTable::Match(std::string_view path) const {
  const ArchiverRow* found = nullptr;
  for (const auto& row : rows) {
    if (!row.archiver) continue;
    for (const auto ending : row.endings) {
      if (EndsWithLower(path, ending)) found = &row;
    }
  }
  return found;
}

std::shared_ptr<const ArchiverTable> LoadArchivers() { return BuildTable(true); }

std::shared_ptr<const ArchiverTable> EmptyArchiverTable() { return BuildTable(false); }

std::u16string VersionText(std::string_view format, const Archiver& archiver) {
  const int v = archiver.GetVersion();
  const int s = archiver.GetSubVersion().value_or(0);
  const std::array<int, 4> numbers{v / 100, v % 100, s / 100, s % 100};
  std::size_t next = 0;
  std::u16string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char conversion = format[++i];
      if (conversion == 'd' && next < numbers.size()) {
        for (const char c : std::to_string(numbers[next++]))
          out.push_back(static_cast<char16_t>(c));
        continue;
      }
      if (conversion == 'c') {
        out.push_back(s == 0 ? u' ' : static_cast<char16_t>(s / 100 + 96));
        continue;
      }
      out.push_back(u'%');
      if (conversion != '%') out.push_back(static_cast<char16_t>(conversion));
      continue;
    }
    out.push_back(static_cast<char16_t>(format[i]));
  }
  return out;
}

std::u16string ArchiverLibraryList(const ArchiverTable& table) {
  // The page's order differs from the table's.
  static constexpr std::array<std::string_view, 9> kOrder{
      "unlha32", "unzip32", "unrar32", "cab32", "tar32", "ungca32", "unarj32j", "bga32", "7-zip32"};
  std::u16string out;
  for (const auto library : kOrder) {
    for (const auto& row : table.rows) {
      if (row.library != library) continue;
      if (!out.empty()) out.push_back(u'\n');
      if (!row.versionText.empty()) {
        out += row.versionText;
      } else {
        for (const char c : row.absentText) out.push_back(static_cast<char16_t>(c));
      }
    }
  }
  return out;
}

}  // namespace ordano
