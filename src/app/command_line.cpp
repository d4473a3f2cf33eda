#include "app/command_line.h"

#include <cctype>
#include <climits>

namespace ordano {

const char* const kUsageText =
    "ordano.exe\nUsage:\nordano [/O:出力フォルダ名] [/F:出力ファイル名] "
    "[/H:htmlで吐く場合付ける] リストするフォルダ\n"
    "※出力フォルダはすでに存在するフォルダ名を指定してください。新規には作りません\n";

bool IsSwitchToken(std::string_view token) {
  if (token.size() < 2) return false;
  if (token[0] == '-') return true;
  if (token[0] != '/') return false;
  if (token == "/?") return true;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(token[1])));
  if (std::string_view("OFCPSH").find(letter) == std::string_view::npos) return false;
  return token.size() == 2 || token[2] == ':';
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
    // A query may be left out when other filters follow ("--find --md5 HEX").
    o.find = hasValue && !args[i + 1].starts_with("--") ? args[++i] : std::string();
  } else if (token.starts_with("--find=")) {
    o.find = token.substr(7);
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

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string> args) {
  CommandLine cl;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& token = args[i];
    if (token.empty()) continue;  // an empty argument is like a run of spaces
    if (token.starts_with("--")) {
      if (token == "--help") {
        cl.help = true;
      } else if (token == "--version") {
        cl.version = true;
      } else if (token == "--yes") {
        cl.assumeYes = true;
      } else if (token == "--check-update") {
        cl.checkUpdate = true;
      } else if (token == "--crawl" && i + 1 < args.size()) {
        cl.crawlUrl = args[++i];
      } else if (token.starts_with("--crawl=")) {
        cl.crawlUrl = token.substr(8);
      } else if (token == "--compare") {
        cl.compare.emplace();
        for (int k = 0; k < 2 && i + 1 < args.size(); ++k) cl.compare->push_back(args[++i]);
      } else if (token == "--verify" && i + 1 < args.size()) {
        cl.verify = args[++i];
      } else if (token == "--json") {
        cl.json = true;
      } else if (ParseLibraryOption(args, i, cl.library)) {
        // the library's commands and filters
      } else if (ParseSettingsOption(args, i, cl)) {
        // settings, --output and the settings commands (settings_command.cpp)
      } else if (token == "--") {
        ++i;
        break;
      } else {
        cl.unknownOptions.push_back(token);
      }
      continue;
    }
    if (!IsSwitchToken(token)) break;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(token[1])));
    // The value is the text after the three-character prefix ("/O:").
    const std::string value = token.size() > 3 ? token.substr(3) : std::string();
    switch (letter) {
      case '?':
        cl.usage = true;
        break;
      case 'O':
        cl.outputFolder = value;
        break;
      case 'F':
        cl.outputName = value;
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
        break;  // "H" and unknown letters have no effect
    }
  }
  for (; i < args.size() && cl.paths.size() < kMaxCommandLinePaths; ++i) {
    if (!args[i].empty()) cl.paths.push_back(args[i]);
  }
  return cl;
}

}  // namespace ordano
