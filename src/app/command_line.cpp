#include "app/command_line.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "app/option_table.h"

namespace ordano {

bool IsSwitchToken(std::string_view token) {
  if (token.size() < 2 || (token[0] != '/' && token[0] != '-')) return false;
  if (token[1] == '?') return token.size() == 2;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(token[1])));
  if (std::string_view("OFCPSH").find(letter) == std::string_view::npos) return false;
  // "-p=7": after "-" any separator will do, as on Windows.
  return token.size() == 2 || token[2] == ':' || (token[0] == '-' && token[2] == '=');
}

namespace {

bool IsMd5Text(std::string_view s) {
  return s.size() == 32 && s.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

// A library option at args[i] (its value consumed); false when it is none.
// "--md5 HEX" is the digest filter of --find only: elsewhere --md5 switches
// the digests of a run on.
bool ParseLibraryOption(std::span<const std::string> args, std::size_t& i, LibraryOptions& o) {
  const std::string& token = args[i];
  const bool hasValue = i + 1 < args.size();
  if (token == "--add") {
    o.add = true;
  } else if (token == "--library-too") {
    o.too = true;
  } else if (token == "--rehash") {
    o.rehash = true;
  } else if (token == "--import") {
    o.import = true;
  } else if (token == "--volumes") {
    o.volumes = true;
  } else if (token == "--snapshots") {
    o.snapshots = true;
  } else if (token == "--duplicates") {
    o.duplicates = true;
  } else if (token == "--unique" && hasValue) {
    o.unique = args[++i];
  } else if (token == "--forget" && hasValue) {
    o.forget = args[++i];
  } else if (token == "--find") {
    o.find = hasValue ? args[++i] : std::string();
  } else if (token == "--library" && hasValue) {
    o.path = args[++i];
  } else if (token == "--ext" && hasValue) {
    o.ext.push_back(args[++i]);
  } else if (token == "--size" && hasValue) {
    o.size = args[++i];
  } else if (token == "--volume" && hasValue) {
    o.volume = args[++i];
  } else if (token == "--newer" && hasValue) {
    o.newer = args[++i];
  } else if (token == "--older" && hasValue) {
    o.older = args[++i];
  } else if (token == "--md5" && o.find && hasValue && IsMd5Text(args[i + 1])) {
    o.md5 = args[++i];
  } else {
    return false;
  }
  return true;
}

// "~" and "~/..." after /O: and /F: (the shell leaves them alone there).
std::string ExpandHome(const std::string& value) {
  if (value != "~" && !value.starts_with("~/")) return value;
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return value;
  return std::string(home) + value.substr(1);
}

// A Windows-style switch ("/O:x", "-P", "/?"); false when it is none.
bool ParseSwitch(const std::string& token, CommandLine& cl) {
  if (!IsSwitchToken(token)) return false;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(token[1])));
  // The value is the text after the three-character prefix ("/O:").
  const std::string value = token.size() > 3 ? token.substr(3) : std::string();
  switch (letter) {
    case '?':
      cl.usage = true;
      break;
    case 'O':
      cl.outputFolder = ExpandHome(value);
      break;
    case 'F':
      cl.outputName = ExpandHome(value);
      break;
    case 'C':
      cl.backColor = value;
      break;
    case 'S':
      cl.forceSaveDialog = true;
      break;
    case 'P':
      if (token.size() <= 2) {
        cl.profileChooser = true;
      } else {
        cl.profile = DecimalValue(value);
      }
      break;
    default:
      break;  // "H" has no effect
  }
  return true;
}

// The option's own handling, given its long name and values.
void ApplyOption(std::span<const std::string> piece, CommandLine& cl) {
  const std::string& name = piece[0];
  const auto value = [&](std::size_t k) { return k < piece.size() ? piece[k] : std::string(); };
  if (name == "--help") {
    cl.help = true;
  } else if (name == "--version") {
    cl.version = true;
  } else if (name == "--quiet") {
    cl.quiet = true;
  } else if (name == "--yes") {
    cl.assumeYes = true;
  } else if (name == "--check-update") {
    cl.checkUpdate = true;
  } else if (name == "--crawl") {
    cl.crawlUrl = value(1);
  } else if (name == "--compare") {
    cl.compare.emplace(piece.begin() + 1, piece.end());
  } else if (name == "--verify") {
    cl.verify = value(1);
  } else if (name == "--sample") {
    cl.sample = value(1);
  } else if (name == "--jsonl") {
    cl.jsonLines = true;
  } else if (name == "--json") {
    cl.json = true;
  } else if (name == "--create-profile") {
    cl.profileCommands.create = value(1);
  } else if (name == "--rename-profile") {
    cl.profileCommands.rename.emplace(piece.begin() + 1, piece.end());
  } else if (name == "--delete-profile") {
    cl.profileCommands.remove = value(1);
  } else {
    std::size_t at = 0;
    // A table entry nobody handles would pass silently: it is refused instead.
    if (!ParseLibraryOption(piece, at, cl.library) && !ParseSettingsOption(piece, at, cl)) {
      cl.unknownOptions.push_back(name);
    }
  }
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string> args) {
  CommandLine cl;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& token = args[i];
    if (token.empty()) continue;  // an empty argument is like a run of spaces
    if (token == "--") {
      ++i;
      break;
    }
    const std::size_t eq = token.starts_with("--") ? token.find('=') : std::string::npos;
    const OptionEntry* option = FindOption(std::string_view(token).substr(0, eq));
    if (option == nullptr) {
      if (ParseSwitch(token, cl)) continue;
      if (token.size() > 1 && token[0] == '-') {
        cl.unknownOptions.push_back(token);
      } else if (cl.paths.size() < kMaxCommandLinePaths) {
        cl.paths.push_back(token);
      }
      continue;
    }
    std::vector<std::string> piece{std::string(option->name)};
    const bool more = i + 1 < args.size();
    if (eq != std::string::npos) {
      if (option->value == OptionValue::None) {
        cl.settings.errors.push_back(std::string(option->name) + " takes no value");
        continue;
      }
      piece.push_back(token.substr(eq + 1));
    } else {
      switch (option->value) {
        case OptionValue::None:
          // "--md5 HEX" is the digest filter of --find; elsewhere --md5 is ComputeMd5.
          if (option->name == "--md5" && cl.library.find && more && IsMd5Text(args[i + 1])) {
            piece.push_back(args[++i]);
          }
          break;
        case OptionValue::Required:
          if (!more) {
            cl.settings.errors.push_back(std::string(option->name) + " needs a value");
            continue;
          }
          piece.push_back(args[++i]);
          break;
        case OptionValue::Optional:
          // A query may be left out when other options follow ("--find --md5 HEX").
          if (more && !args[i + 1].starts_with("--") && FindOption(args[i + 1]) == nullptr) {
            piece.push_back(args[++i]);
          }
          break;
        case OptionValue::Two:
          for (int k = 0; k < 2 && i + 1 < args.size(); ++k) piece.push_back(args[++i]);
          if (piece.size() < 3 && option->name != "--compare") {
            cl.settings.errors.push_back(std::string(option->name) + " needs " +
                                         std::string(option->argument));
            continue;
          }
          break;
      }
    }
    ApplyOption(piece, cl);
  }
  for (; i < args.size() && cl.paths.size() < kMaxCommandLinePaths; ++i) {
    if (!args[i].empty()) cl.paths.push_back(args[i]);
  }
  return cl;
}

}  // namespace ordano
