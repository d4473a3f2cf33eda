#include "app/profile_command.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/exit_status.h"
#include "app/settings_command.h"
#include "app/ui_language.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "platform/decimal.h"
#include "platform/instance_lock.h"
#include "platform/program_folder.h"
#include "platform/unicode.h"
#include "settings/profile_extras.h"
#include "settings/settings_files.h"
#include "settings/settings_profiles.h"

namespace ordano {
namespace {

constexpr std::chrono::milliseconds kLockPatience{5000};

// A profile number as typed: digits only.
std::optional<int> ProfileNumberOf(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return DecimalValue(text);
}

std::optional<int> ExistingProfile(const std::string& folder, const std::string& text,
                                   const char* option) {
  const auto n = ProfileNumberOf(text);
  if (!n) {
    std::fprintf(stderr, "ordanou: %s: %s is no profile number\n", option, text.c_str());
    return std::nullopt;
  }
  if (!RequireExistingProfile(folder, *n)) return std::nullopt;
  return n;
}

std::u16string NameOf(const std::string& folder, int profile) {
  ProfileNameRecord name{};
  ReadProfileName(folder, profile, name);
  return std::u16string(TextOf(name.Name));
}

}  // namespace

std::optional<int> RunProfileCommand(CommandLine& cl) {
  const ProfileCommands& p = cl.profileCommands;
  if (!p.Any()) return std::nullopt;
  if ((p.rename || p.remove) && (!cl.paths.empty() || cl.crawlUrl)) {
    std::fputs("ordanou: --rename-profile and --delete-profile take no paths (see --help)\n",
               stderr);
    return kExitUsage;
  }
  auto ctx = std::make_unique<AppContext>();
  ctx->programFolder = ProgramFolder();
  const std::string& folder = ctx->programFolder;
  InstanceLock lock;
  // The window writes the start-up record (the profile count) at exit.
  if (lock.Acquire(folder, kLockPatience) == InstanceLock::Result::HeldByOther) {
    std::fprintf(stderr, "ordanou: %s\n", ConsoleTextUtf8(MsgId::AlreadyRunning).c_str());
    return kExitAlreadyRunning;
  }
  StartupRecord startup{};
  ReadStartupRecord(folder, startup);
  EnsureProfileNameFile(folder);

  if (p.rename) {
    const auto n = ExistingProfile(folder, p.rename->at(0), "--rename-profile");
    if (!n) return kExitUsage;
    if (!RenameProfile(folder, *n, Utf8ToUtf16(p.rename->at(1)))) {
      std::fprintf(stderr, "ordanou: cannot write %sordanopu.dat: %s\n", folder.c_str(),
                   std::strerror(errno));
      return kExitNotWritten;
    }
  }
  if (p.remove) {
    const auto n = ExistingProfile(folder, *p.remove, "--delete-profile");
    if (!n) return kExitUsage;
    if (*n == startup.ProfileNumber) {
      std::fprintf(stderr, "ordanou: %s [error]: %s\n",
                   ConsoleTextUtf8(MsgId::CaptionOrdano).c_str(),
                   ConsoleTextUtf8(MsgId::ProfileInUse).c_str());
      return kExitUsage;
    }
    if (!DeleteProfile(folder, *n, NameOf(folder, *n))) {
      std::fprintf(stderr, "ordanou: cannot write %sordanopu.dat: %s\n", folder.c_str(),
                   std::strerror(errno));
      return kExitNotWritten;
    }
  }
  if (!p.create) return kExitOk;

  // The copy is of /P:N when that exists, else of the current profile; a /P:N
  // that does not exist yet is the number the new profile gets.
  const int next = startup.ProfileCount + 1;
  std::optional<int> source = startup.ProfileNumber;
  if (cl.profile && ProfileExists(folder, *cl.profile)) {
    source = cl.profile;
  } else if (cl.profile && *cl.profile != next) {
    std::fprintf(stderr,
                 "ordanou: there is no profile %d; --create-profile makes profile %d "
                 "(numbers are handed out in order)\n",
                 *cl.profile, next);
    return kExitUsage;
  }
  if (!ProfileExists(folder, *source)) source = 0;
  LoadSettingsAtStartup(*ctx, source);
  ReadFolderList(folder, *source, ctx->folderList);
  const auto row = CreateProfile(folder, startup, ctx->settings, ctx->folderList);
  if (!row || !ProfileExists(folder, row->number)) {
    std::fprintf(stderr, "ordanou: cannot create a profile in %s: %s\n", folder.c_str(),
                 std::strerror(errno));
    return kExitNotWritten;
  }
  const std::u16string name = Utf8ToUtf16(*p.create).substr(0, kMaxProfileNameLength);
  const bool named = RenameProfile(folder, row->number, name);
  const bool counted = WriteStartupRecord(folder, startup);
  const ProfileExtras extras = ReadProfileExtras(folder, *source);
  const bool extrasKept = WriteProfileExtras(folder, row->number, extras);
  if (!named || !counted || !extrasKept) {
    const std::string what = !named     ? std::string("its name (ordanopu.dat)")
                             : !counted ? std::string("the profile count (sa.dat)")
                                        : ProfileExtrasFilePath(folder, row->number);
    std::fprintf(stderr, "ordanou: profile %d made, but %s could not be written in %s\n",
                 row->number, what.c_str(), folder.c_str());
    return kExitNotWritten;
  }
  if (!cl.quiet) {
    std::printf("%d\t%s\n", row->number, Utf16ToUtf8(name).c_str());
    std::fflush(stdout);
  }
  if (cl.paths.empty() && !cl.crawlUrl) return kExitOk;
  cl.profile = row->number;
  return std::nullopt;
}

}  // namespace ordano
