// The command line of a catalogue run, split by the shell into tokens.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_command.h"
#include "platform/decimal.h"

namespace ordano {

// The catalogue library's commands and the filters of --find.
struct LibraryOptions {
  std::optional<std::string> path;    // --library PATH
  bool add = false;                   // --add: the paths are catalogued into the library
  bool too = false;                   // --library-too: a catalogue run records there as well
  bool rehash = false;                // --rehash: no digest kept by the library serves again
  bool import = false;                // --import: the paths are catalogues to bring in
  bool volumes = false;               // --volumes
  bool snapshots = false;             // --snapshots
  bool duplicates = false;            // --duplicates
  std::optional<std::string> unique;  // --unique VOLUME|PATH
  std::optional<std::string> forget;  // --forget VOLUME
  std::optional<std::string> find;    // --find [QUERY]
  std::vector<std::string> ext;       // --ext EXT (repeatable)
  std::optional<std::string> size;    // --size [+|-]N[K|M|G|T]
  std::optional<std::string> md5;     // --md5 HEX after --find
  std::optional<std::string> volume;  // --volume NAME|UUID
  std::optional<std::string> newer;   // --newer DATE
  std::optional<std::string> older;   // --older DATE
  int Commands() const {
    return int{add} + int{import} + int{volumes} + int{snapshots} + int{duplicates} +
           int{find.has_value()} + int{unique.has_value()} + int{forget.has_value()};
  }
};

// --create-profile NAME, --rename-profile N NAME, --delete-profile N.
struct ProfileCommands {
  std::optional<std::string> create;
  std::optional<std::vector<std::string>> rename;  // N NAME
  std::optional<std::string> remove;               // N
  bool Any() const { return create || rename || remove; }
};

struct CommandLine {
  bool usage = false;                   // "/?" or "-?": the usage text, exit 0
  bool help = false;                    // --help, -h
  bool version = false;                 // --version, -V
  bool quiet = false;                   // --quiet, -q: errors only
  bool assumeYes = false;               // --yes: answer Yes to questions (unattended runs)
  std::optional<std::string> crawlUrl;  // --crawl URL
  bool checkUpdate = false;             // --check-update
  std::optional<std::vector<std::string>> compare;  // --compare OLD NEW (fewer: usage error)
  std::optional<std::string> verify;                // --verify CATALOGUE
  std::optional<std::string> sample;                // --sample N%: with --verify
  bool json = false;             // --json: --settings, --compare and --verify print JSON
  bool jsonLines = false;        // --jsonl: "--output -" writes JSON Lines
  std::string outputFolder;      // /O:
  std::string outputName;        // /F:
  std::string backColor;         // /C:
  bool forceSaveDialog = false;  // /S
  std::optional<int> profile;    // /P:n
  bool profileChooser = false;   // "/P" without a number
  std::vector<std::string> paths;
  std::vector<std::string> unknownOptions;  // "--something" or "-x" we do not know
  ProfileCommands profileCommands;
  LibraryOptions library;
  SettingsOptions settings;  // --set and its aliases, --output, --settings, --save, --profiles
};

inline constexpr std::size_t kMaxCommandLinePaths = 10000;

// The program's own usage text ("/?") is MsgId::WindowsUsage.

// Parses the tokens after the program name. Options (the table of
// option_table.h, "--name=VALUE" too) and switches may stand anywhere among
// the paths; after "--" every token is a path.
CommandLine ParseCommandLine(std::span<const std::string> args);

// Whether a token is a switch: "/?" or "-?", or "/" or "-" + O F C P S H
// (either case) followed by nothing or ":". Other tokens starting with "/"
// are paths; other "-x" tokens are options or mistakes.
bool IsSwitchToken(std::string_view token);

}  // namespace ordano
