#include "app/settings_command.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string_view>

#include "app/command_line.h"
#include "app/exit_status.h"
#include "app/option_table.h"
#include "app/ui_language.h"
#include "platform/instance_lock.h"
#include "platform/program_folder.h"
#include "platform/unicode.h"
#include "settings/profile_extras.h"
#include "settings/settings_defaults.h"
#include "settings/settings_fields.h"
#include "settings/settings_files.h"
#include "settings/settings_normalise.h"
#include "settings/settings_profiles.h"

namespace ordano {
namespace {

constexpr std::chrono::milliseconds kSaveLockPatience{5000};

std::string AsciiLowerBytes(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

struct Alias {
  std::string_view option, field;
};
// Options that switch one field on.
constexpr Alias kFlagAliases[] = {
    {"--md5", "ComputeMd5"},
    {"--hidden", "IncludeHidden"},
    {"--archives", "ExpandArchives"},
    {"--shortcuts", "ReadShortcuts"},
    {"--reverse", "SortDescending"},
    {"--dates", "WriteDate"},
    {"--tree", "IndentTree"},
    {"--relative", "RelativeOutput"},
    {"--clipboard", "SaveToClipboard"},
    {"--utf8", "Utf8Text"},
};
constexpr std::string_view kValueOptions[] = {"--set",       "--depth",   "--sort",
                                              "--size-unit", "--pattern", "--output"};

void AddOutputPath(CommandLine& cl, const std::string& given, const std::string& option) {
  // The terminal's or a pipe's stdout is written as "-" is.
  const std::string path = given == "/dev/stdout" || given == "/dev/fd/1" ? "-" : given;
  const std::size_t slash = path.rfind('/');
  if (path.empty() || slash == path.size() - 1) {
    cl.settings.errors.push_back(option + ": give a file path (folder and name)");
    return;
  }
  cl.outputFolder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  cl.outputName = slash == std::string::npos ? path : path.substr(slash + 1);
}

void AddValueOption(CommandLine& cl, std::string_view name, const std::string& value,
                    const std::string& option) {
  SettingsOptions& o = cl.settings;
  if (name == "--set") {
    const std::size_t eq = value.find('=');
    if (eq == std::string::npos) {
      o.errors.push_back(option + ": give FIELD=VALUE");
    } else {
      o.assignments.push_back({value.substr(0, eq), value.substr(eq + 1), option});
    }
  } else if (name == "--depth") {
    o.assignments.push_back({"ScanToDepth", "1", option});
    o.assignments.push_back({"SearchDepth", value, option});
  } else if (name == "--sort") {
    o.assignments.push_back({"SortOrder", value, option});
  } else if (name == "--size-unit") {
    static constexpr std::string_view kUnits[] = {"byte", "kb", "mb", "auto"};
    static constexpr std::string_view kUnitFields[] = {"SizeKB", "SizeMB", "SizeAuto"};
    const auto* unit = std::find(std::begin(kUnits), std::end(kUnits), AsciiLowerBytes(value));
    if (unit == std::end(kUnits)) {
      o.errors.push_back(option + ": the size unit is byte, kb, mb or auto");
      return;
    }
    for (std::size_t k = 0; k < 3; ++k) {
      const bool on = static_cast<std::size_t>(unit - kUnits) == k + 1;
      o.assignments.push_back({std::string(kUnitFields[k]), on ? "1" : "0", option});
    }
  } else if (name == "--pattern") {
    o.pattern = value;
  } else if (name == "--output") {
    AddOutputPath(cl, value, option);
  }
}

bool Fails(std::FILE* f) { return std::ferror(f) != 0 || std::fflush(f) != 0; }

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + '"';
}

// A field as a JSON value: numbers for flags and numbers, strings otherwise
// (texts unescaped: JSON has its own escapes).
std::string JsonValue(const SettingsRecord& s, const SettingsField& f) {
  switch (f.type) {
    case FieldType::Flag:
    case FieldType::Flag16:
    case FieldType::Int:
      return FieldText(s, f);
    case FieldType::Text: {
      const auto* units =
          reinterpret_cast<const char16_t*>(reinterpret_cast<const unsigned char*>(&s) + f.offset);
      const std::size_t n = f.bytes / 2;
      return JsonString(Utf16ToUtf8(
          {units, static_cast<std::size_t>(std::find(units, units + n, u'\0') - units)}));
    }
    default:
      return JsonString(FieldText(s, f));
  }
}

// The record's fields, then the profile's choices kept beside it.
int PrintSettings(const SettingsRecord& s, const ProfileExtras& extras, bool json) {
  if (json) std::fputs("{\n", stdout);
  const auto fields = SettingsFields();
  const auto more = ExtrasFields(extras);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const SettingsField& f = fields[i];
    if (json) {
      std::printf("  %s: %s,\n", JsonString(f.name).c_str(), JsonValue(s, f).c_str());
    } else {
      std::printf("%.*s=%s\n", static_cast<int>(f.name.size()), f.name.data(),
                  FieldText(s, f).c_str());
    }
  }
  for (std::size_t i = 0; i < more.size(); ++i) {
    const auto& [name, value] = more[i];
    if (json) {
      std::printf("  %s: %s%s\n", JsonString(name).c_str(), value.c_str(),
                  i + 1 < more.size() ? "," : "");
    } else {
      std::printf("%.*s=%s\n", static_cast<int>(name.size()), name.data(), value.c_str());
    }
  }
  if (json) std::fputs("}\n", stdout);
  if (Fails(stdout)) {
    std::fputs("ordanou: could not write the settings to stdout\n", stderr);
    return kExitNotWritten;
  }
  return kExitOk;
}

// The field a mistyped name most likely meant (at most two edits away).
std::string_view NearestField(std::string_view name) {
  const std::string typed = AsciiLowerBytes(name);
  std::string_view best;
  std::size_t bestDistance = 3;
  for (const SettingsField& f : SettingsFields()) {
    const std::size_t distance = EditDistance(typed, AsciiLowerBytes(f.name));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = f.name;
    }
  }
  return best;
}

// Every assignment against a scratch record: the first refused one is named.
bool CheckAssignments(const SettingsOptions& o) {
  auto scratch = std::make_unique<SettingsRecord>();
  for (const auto& a : o.assignments) {
    const SettingsField* f = FindSettingsField(a.field);
    ProfileExtras extras;
    if (const auto set = SetExtrasField(extras, a.field, a.value); f == nullptr && set) {
      if (*set) continue;
      std::fprintf(stderr, "ordanou: %s: %s takes 0 or 1\n", a.option.c_str(), a.field.c_str());
      return false;
    }
    if (f == nullptr) {
      if (IsStartupRecordField(a.field)) {
        std::fprintf(stderr,
                     "ordanou: %s: %s is not a field of the settings record (window placement "
                     "and profile numbers live in sa.dat and are not set here)\n",
                     a.option.c_str(), a.field.c_str());
      } else {
        const std::string_view near = NearestField(a.field);
        std::fprintf(stderr, "ordanou: %s: no settings field is named %s (%s%.*s%s)\n",
                     a.option.c_str(), a.field.c_str(), near.empty() ? "" : "did you mean ",
                     static_cast<int>(near.size()), near.data(),
                     near.empty() ? "ordanou --settings lists them" : "?");
      }
      return false;
    }
    const FieldSetResult r = SetFieldFromText(*scratch, *f, a.value);
    if (r.error) {
      std::fprintf(stderr, "ordanou: %s: %s\n", a.option.c_str(), r.error->c_str());
      return false;
    }
    if (r.cut) {
      std::fprintf(stderr, "ordanou: warning: %s: cut to the %zu characters %.*s holds\n",
                   a.option.c_str(), f->bytes / 2 - 1, static_cast<int>(f->name.size()),
                   f->name.data());
    }
  }
  return true;
}

}  // namespace

bool RequireExistingProfile(const std::string& folder, int profile) {
  if (ProfileExists(folder, profile)) return true;
  StartupRecord startup{};
  ReadStartupRecord(folder, startup);
  std::string existing = "0";
  for (const ProfileRow& r : ListProfiles(folder, std::max(startup.ProfileCount, 0))) {
    if (r.number != 0) existing += ", " + std::to_string(r.number);
  }
  std::fprintf(stderr,
               "ordanou: there is no profile %d; the profiles are %s (--create-profile NAME "
               "makes one)\n",
               profile, existing.c_str());
  return false;
}

bool ParseSettingsOption(std::span<const std::string> args, std::size_t& i, CommandLine& cl) {
  SettingsOptions& o = cl.settings;
  const std::string& token = args[i];
  const std::size_t eq = token.find('=');
  const std::string_view name = std::string_view(token).substr(0, eq);
  for (const Alias& a : kFlagAliases) {
    if (token == a.option) {
      o.assignments.push_back({std::string(a.field), "1", token});
      return true;
    }
  }
  if (std::find(std::begin(kValueOptions), std::end(kValueOptions), name) !=
      std::end(kValueOptions)) {
    if (eq != std::string::npos) {
      AddValueOption(cl, name, token.substr(eq + 1), token);
    } else if (i + 1 < args.size()) {
      ++i;
      AddValueOption(cl, name, args[i], token + " " + args[i]);
    } else {
      o.errors.push_back(token + " needs a value");
    }
    return true;
  }
  bool* const bare = token == "--settings"   ? &o.show
                     : token == "--save"     ? &o.save
                     : token == "--profiles" ? &o.listProfiles
                                             : nullptr;
  if (bare == nullptr) return false;
  *bare = true;
  return true;
}

std::optional<int> RunSettingsCommand(const CommandLine& cl) {
  const SettingsOptions& o = cl.settings;
  if (!o.errors.empty()) {
    std::fprintf(stderr, "ordanou: %s (see --help)\n", o.errors.front().c_str());
    return kExitUsage;
  }
  if (!CheckAssignments(o)) return kExitUsage;
  if (!o.show && !o.save && !o.listProfiles) {
    if (!cl.json || cl.compare || cl.verify || cl.library.Commands() > 0) {
      return std::nullopt;
    }
    std::fputs(
        "ordanou: --json goes with --settings, --compare, --verify or a library command (see "
        "--help)\n",
        stderr);
    return kExitUsage;
  }
  if (!cl.paths.empty() || cl.crawlUrl) {
    std::fputs("ordanou: --settings, --save and --profiles take no paths (see --help)\n", stderr);
    return kExitUsage;
  }
  if (o.save && o.assignments.empty()) {
    std::fputs("ordanou: --save needs --set FIELD=VALUE or an option such as --md5\n", stderr);
    return kExitUsage;
  }

  const std::string folder = ProgramFolder();
  InstanceLock lock;
  // Another --save holds the lock only for a moment: wait for it rather than
  // refuse; a window holding it for long is still refused.
  if (o.save && lock.Acquire(folder, kSaveLockPatience) == InstanceLock::Result::HeldByOther) {
    // The window writes its settings at exit and would undo the change.
    std::fprintf(stderr, "ordanou: %s\n", ConsoleTextUtf8(MsgId::AlreadyRunning).c_str());
    return kExitAlreadyRunning;
  }
  auto settings = std::make_unique<SettingsRecord>();
  StartupRecord startup{};
  ProfileNameRecord name{};
  ResetToDefaults(*settings, startup, name, std::time(nullptr));
  ReadStartupRecord(folder, startup);
  const int profile = cl.profile.value_or(startup.ProfileNumber);
  std::vector<ProfileRow> rows = ListProfiles(folder, std::max({startup.ProfileCount, profile, 0}));
  if (rows.empty() || rows.front().number != 0) {
    rows.insert(rows.begin(), {0, std::u16string(kUntitledProfileName), {}});
  }
  if (o.listProfiles) {
    for (const ProfileRow& r : rows) {
      std::printf("%d\t%s\t%s\n", r.number, Utf16ToUtf8(r.name).c_str(),
                  Utf16ToUtf8(r.savedAt).c_str());
    }
    if (Fails(stdout)) return kExitNotWritten;
    if (!o.show && !o.save) return kExitOk;
  }
  if (!RequireExistingProfile(folder, profile)) return kExitUsage;
  const bool read = ReadSettings(folder, profile, *settings);
  if (!read) ApplyMissingFileDefaults(*settings, DocumentsFolder());
  if (o.save) {
    // The file as it is with only the named fields changed (and the stamp).
    // A first save is a first start: the name file comes with it.
    EnsureProfileNameFile(folder);
    ApplySettingsOverrides(*settings, o);
    if (!SaveSettings(folder, profile, *settings)) {
      std::fprintf(stderr, "ordanou: cannot write %s: %s\n",
                   SettingsFilePath(folder, profile).c_str(), std::strerror(errno));
      return kExitNotWritten;
    }
    ProfileExtras extras = ReadProfileExtras(folder, profile);
    if (ApplyExtrasOverrides(extras, o) && !WriteProfileExtras(folder, profile, extras)) {
      std::fprintf(stderr, "ordanou: cannot write %s: %s\n",
                   ProfileExtrasFilePath(folder, profile).c_str(), std::strerror(errno));
      return kExitNotWritten;
    }
    if (!o.show) return kExitOk;
    if (!ReadSettings(folder, profile, *settings)) return kExitNotWritten;
  }
  // What a run of this profile works with.
  FixUpAfterLoad(*settings, read || o.save);
  if (!o.save) ApplySettingsOverrides(*settings, o);
  NormaliseForAllPages(*settings);
  ProfileExtras extras = ReadProfileExtras(folder, profile);
  if (!o.save) ApplyExtrasOverrides(extras, o);
  return PrintSettings(*settings, extras, cl.json);
}

bool ApplyExtrasOverrides(ProfileExtras& extras, const SettingsOptions& options) {
  bool any = false;
  for (const auto& a : options.assignments) {
    if (FindSettingsField(a.field) == nullptr && SetExtrasField(extras, a.field, a.value)) {
      any = true;
    }
  }
  return any;
}

void ApplySettingsOverrides(SettingsRecord& settings, const SettingsOptions& options) {
  for (const auto& a : options.assignments) {
    if (const SettingsField* f = FindSettingsField(a.field))
      SetFieldFromText(settings, *f, a.value);
  }
}

}  // namespace ordano
