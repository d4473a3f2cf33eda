#include "app/option_table.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace ordano {
namespace {

using V = OptionValue;
using G = OptionGroup;

constexpr OptionEntry kOptions[] = {
    {"--help", 'h', V::None, "", "this text", G::General},
    {"--version", 'V', V::None, "", "the version", G::General},
    {"--quiet", 'q', V::None, "", "print nothing but errors (not even the written path)",
     G::General},
    {"--yes", 0, V::None, "", "answer Yes to questions (overwrite), for unattended runs",
     G::General},
    {"--output", 'o', V::Required, "PATH",
     "the catalogue's full path (as /O: and /F: together); \"-\" writes the\n"
     "text catalogue to stdout as UTF-8 with LF line ends",
     G::Run},
    {"--utf8", 0, V::None, "",
     "text catalogues in UTF-8 without a byte-order mark, LF line ends\n"
     "(--set Utf8Text=1 --save keeps it for the profile)",
     G::Run},
    {"--crawl", 0, V::Required, "URL", "list every URL below URL (web crawl) instead of paths",
     G::Run},
    {"--check-update", 0, V::None, "",
     "ask the update server for a newer build (0 up to date, 10 newer\n"
     "build; installed after --yes or a Yes; 3 check failed)",
     G::Run},
    {"--compare", 0, V::Two, "OLD NEW",
     "compare two catalogues (JSON or CSV, or library:FOLDER[~N] for a\n"
     "snapshot kept in the library): added, removed, changed, moved;\n"
     "0 equal, 1 different, 2 unreadable catalogue",
     G::Run},
    {"--verify", 0, V::Required, "CATALOGUE|FOLDER|VOLUME",
     "scan the catalogue's roots again as it was made (MD5 where listed)\n"
     "and compare; same report and statuses (4 cancelled); a folder or\n"
     "volume of the library: against its last snapshot there",
     G::Run},
    {"--sample", 0, V::Required, "N%",
     "--verify FOLDER|VOLUME: re-hash N% of its files (at least one), those\n"
     "verified longest ago first; the library records each check",
     G::Run},
    {"--jsonl", 0, V::None, "",
     "with --output -: the catalogue on stdout as JSON Lines (a file\n"
     "takes them by its .jsonl name)",
     G::Run},
    {"--json", 0, V::None, "", "--settings, --compare/--verify, --find and --volumes as JSON",
     G::Run},
    {"--create-profile", 0, V::Required, "NAME",
     "create a profile NAME (a copy of the current one, or of /P:N);\n"
     "its number is printed; with paths the run then uses it",
     G::SettingsCommand},
    {"--rename-profile", 0, V::Two, "N NAME", "give profile N the name NAME", G::SettingsCommand},
    {"--delete-profile", 0, V::Required, "N",
     "delete profile N (not the current one; numbers are never reused)", G::SettingsCommand},
    {"--library", 0, V::Required, "PATH", "the library database to use", G::Library},
    {"--add", 0, V::None, "",
     "scan the FOLDERs as a catalogue run would into the library; a\n"
     "folder added again replaces its own rows",
     G::Library},
    {"--library-too", 0, V::None, "", "a catalogue run records its folders in the library too",
     G::Library},
    {"--rehash", 0, V::None, "",
     "--add, --library-too: read every file for its MD5 (else a file whose\n"
     "size, time and inode the library holds keeps its digest)",
     G::Library},
    {"--import", 0, V::None, "", "bring in the JSON or CSV catalogues given as paths", G::Library},
    {"--find", 0, V::Optional, "[QUERY]",
     "name fragments in any order and case (* and ? make a fragment a glob\n"
     "of the whole name); one line per hit (0 found, 1 none, 2 bad)",
     G::Library},
    {"--ext", 0, V::Required, "EXT", "--find: this extension (repeatable)", G::Library},
    {"--size", 0, V::Required, "[+|-]N[K|M|G|T]", "--find: this size, or more (+) or less (-)",
     G::Library},
    {"--volume", 0, V::Required, "NAME|UUID", "--find: on this volume", G::Library},
    {"--newer", 0, V::Required, "DATE",
     "--find: modified at or after DATE (YYYY-MM-DD[THH:MM[:SS]], local)", G::Library},
    {"--older", 0, V::Required, "DATE", "--find: modified before DATE", G::Library},
    {"--volumes", 0, V::None, "", "every volume: label, UUID, last seen, online, files, size",
     G::Library},
    {"--snapshots", 0, V::None, "",
     "every kept snapshot of every folder, as --compare takes it\n"
     "(library:FOLDER now, library:FOLDER~1 the scan before, ...)",
     G::Library},
    {"--duplicates", 0, V::None, "", "same MD5 and size (or name and size) anywhere, biggest first",
     G::Library},
    {"--unique", 0, V::Required, "VOLUME|PATH", "files there without a copy elsewhere (1: none)",
     G::Library},
    {"--forget", 0, V::Required, "VOLUME", "remove a volume and its history from the library",
     G::Library},
    {"--set", 0, V::Required, "FIELD=VALUE",
     "any field of the settings record (--settings lists the names, any\n"
     "case); flags 0/1/on/off/yes/no, numbers, colours as hex RRGGBB,\n"
     "dates as ISO 8601, texts with \\n for a line break",
     G::Settings},
    {"--md5", 0, V::None, "", "MD5 digests (ComputeMd5); after --find: --md5 HEX finds a digest",
     G::Settings},
    {"--hidden", 0, V::None, "", "hidden files too (IncludeHidden)", G::Settings},
    {"--archives", 0, V::None, "", "archive members (ExpandArchives)", G::Settings},
    {"--shortcuts", 0, V::None, "", "follow links (ReadShortcuts)", G::Settings},
    {"--dates", 0, V::None, "", "file dates (WriteDate)", G::Settings},
    {"--tree", 0, V::None, "", "indented, tree-like output (IndentTree)", G::Settings},
    {"--relative", 0, V::None, "", "relative paths (RelativeOutput)", G::Settings},
    {"--clipboard", 0, V::None, "", "to the clipboard (SaveToClipboard)", G::Settings},
    {"--depth", 0, V::Required, "N", "descend N folder levels (-1 all)", G::Settings},
    {"--sort", 0, V::Required, "KEY", "name, size, date, ext, natural or created", G::Settings},
    {"--reverse", 0, V::None, "", "descending order (SortDescending)", G::Settings},
    {"--size-unit", 0, V::Required, "UNIT", "byte, kb, mb or auto", G::Settings},
    {"--pattern", 0, V::Required, "GLOB", "list only names matching GLOB (default *.*)",
     G::Settings},
    {"--settings", 0, V::None, "", "print the settings of the profile (/P:N), Field=value",
     G::SettingsCommand},
    {"--save", 0, V::None, "", "with --set or an option above: write them into the profile",
     G::SettingsCommand},
    {"--profiles", 0, V::None, "", "list the profiles: number, name, last save",
     G::SettingsCommand},
};

}  // namespace

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j < row.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row.back();
}

std::span<const OptionEntry> Options() { return kOptions; }

const OptionEntry* FindOption(std::string_view token) {
  for (const OptionEntry& o : kOptions) {
    if (token == o.name) return &o;
    if (o.shortForm != 0 && token.size() == 2 && token[0] == '-' && token[1] == o.shortForm) {
      return &o;
    }
  }
  return nullptr;
}

std::string_view NearestOption(std::string_view token) {
  const std::string_view typed = token.substr(0, token.find('='));
  if (typed.size() == 2 && typed[0] == '-') {
    // "-v" for "-V": the short form in the other case.
    for (const OptionEntry& o : kOptions) {
      if (o.shortForm != 0 && std::tolower(static_cast<unsigned char>(o.shortForm)) ==
                                  std::tolower(static_cast<unsigned char>(typed[1]))) {
        return o.name;
      }
    }
  }
  std::string_view best;
  // "-x" is near nothing in particular; a long name may be a third wrong.
  std::size_t bestDistance = typed.size() <= 2 ? 1 : std::max<std::size_t>(2, typed.size() / 3) + 1;
  for (const OptionEntry& o : kOptions) {
    const std::size_t d = EditDistance(typed, o.name);
    if (d < bestDistance) {
      bestDistance = d;
      best = o.name;
    }
    // "--md" is the start of "--md5": a prefix is as good as one letter wrong.
    if (typed.size() > 3 && o.name.starts_with(typed) && bestDistance > 1) {
      bestDistance = 1;
      best = o.name;
    }
  }
  return best;
}

}  // namespace ordano
