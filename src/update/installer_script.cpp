#include "update/installer_script.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <span>

#include "platform/file_handle.h"

extern char** environ;

namespace ordano {

std::string ShellQuote(std::string_view text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  out += '\'';
  return out;
}

std::string InstallerScriptText(const InstallerScript& s) {
  std::string restart;
  for (const auto& a : s.arguments) restart += " " + ShellQuote(a);
  std::string t;
  t += "#!/bin/sh\n";
  t += "# Ordano's updater: written by the program, run once, removes itself.\n";
  t += "PROGDIR=" + ShellQuote(s.programDir) + "\n";
  t += "EXE=" + ShellQuote(s.executable) + "\n";
  t += "SRC=" + ShellQuote(s.payloadDir) + "\n";
  t += "STAMP=" + ShellQuote(s.stamp) + "\n";
  t += "SELF=" + ShellQuote(s.scriptPath) + "\n";
  t += "OLDPID=" + std::to_string(s.oldPid) + "\n";
  t += "DELAY=" + std::to_string(s.attemptDelaySeconds) + "\n";
  t += "WAIT=" + std::to_string(s.waitTenths) + "\n";
  t += R"SH(
# The old program is still running when its pid runs the program file (a
# reused pid runs something else and is left alone).
old_running() {
  [ "$OLDPID" -gt 0 ] || return 1
  exe=$(readlink "/proc/$OLDPID/exe" 2>/dev/null) || return 1
  [ "$exe" = "$EXE" ] || [ "$exe" = "$EXE (deleted)" ]
}

# Every file and folder of SRC over PROGDIR, except paths holding ".dat" (the
# user's settings and profiles). Files are replaced by rename, so a running
# or half-copied file is never seen. Fails when there is nothing to copy.
copy_payload() {
  [ -d "$SRC" ] || return 1
  n=$(cd "$SRC" && find . -path '*.dat*' -prune -o ! -type d -print | wc -l)
  [ "$n" -gt 0 ] || return 1
  (cd "$SRC" && find . -path '*.dat*' -prune -o -type d -exec sh -c \
    'for d; do mkdir -p -- "$0/$d" || exit 1; done' "$PROGDIR" {} +) || return 1
  (cd "$SRC" && find . -path '*.dat*' -prune -o ! -type d -exec sh -c \
    'for f; do cp -P -p -- "$f" "$0/$f.ordano-new" && mv -f -- "$0/$f.ordano-new" "$0/$f" || exit 1; done' \
    "$PROGDIR" {} +) || return 1
}

worker() {
  attempt=0
  while [ "$attempt" -lt 10 ]; do
    attempt=$((attempt + 1))
    sleep "$DELAY"
    if old_running; then kill -KILL "$OLDPID" 2>/dev/null; sleep 1; fi
    if copy_payload; then
      printf '%s\n' "$STAMP" > "$PROGDIR/ordano_update.stamp"
      touch -- "$EXE"
      return 0
    fi
    echo "ordano updater: copy attempt $attempt failed" >&2
  done
  return 1
}

if [ "${1:-}" = worker ]; then
  worker
  exit $?
fi

i=0
while old_running && [ "$i" -lt "$WAIT" ]; do
  sleep 0.1
  i=$((i + 1))
done

PROBE="$PROGDIR/ordano_upd_probe.tmp"
if (: > "$PROBE") 2>/dev/null; then
  rm -f -- "$PROBE"
  worker
else
  # The program folder needs an administrator: the worker runs elevated. A
  # refusal leaves the old files, and the old program starts again below.
  pkexec /bin/sh "$SELF" worker
fi

cd -- "$PROGDIR" 2>/dev/null || cd /
rm -f -- "$SELF"
)SH";
  t += "exec \"$EXE\"" + restart + "\n";
  return t;
}

bool StartInstaller(const InstallerScript& script, const std::string& logPath) {
  unlink(script.scriptPath.c_str());
  {
    UniqueFd fd(open(script.scriptPath.c_str(),
                     O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0700));
    if (!fd) return false;
    const std::string text = InstallerScriptText(script);
    if (!WriteFully(fd.get(), std::as_bytes(std::span(text)))) return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  if (posix_spawnattr_init(&attr) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return false;
  }
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  // Its own session: the updater outlives this process and its terminal.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  std::string sh = "/bin/sh";
  std::string path = script.scriptPath;
  char* argv[] = {sh.data(), path.data(), nullptr};
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, "/bin/sh", &actions, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return rc == 0;
}

}  // namespace ordano
