// Exit statuses of ordanou (documented in the README).
#pragma once

namespace ordano {

enum ExitStatus : int {
  kExitOk = 0,              // catalogue written from every path (or usage/help shown)
  kExitPartial = 1,         // written, but some paths did not exist or could not be read
  kExitUsage = 2,           // nothing to do: no paths, unknown option, no window here
  kExitNotWritten = 3,      // declined, destination not writable, clipboard unavailable
  kExitCancelled = 4,       // cancelled (Ctrl-C, invalid date range)
  kExitAlreadyRunning = 5,  // another instance holds the lock
};

}  // namespace ordano
