// The update decision: the server's time of the update archive against the
// stamp of the last update or the program file's own time; and the transfers.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "update/update_config.h"

namespace ordano {

inline constexpr char kUpdateAgent[] = "ordanoUpdateCheck/1.0";
inline constexpr char kUpdateStampName[] = "ordano_update.stamp";

// Last-write time of the file in Unix seconds; 0 when it cannot be read.
std::int64_t ProgramFileTime(const std::string& exePath);

// The stamp file in the program folder: its first line as decimal seconds;
// 0 when the file is missing, the line empty or not a number.
std::int64_t ReadUpdateStamp(const std::string& programDir);

// The Last-Modified time of `url` (cache-buster "?t=" added, status 200
// required, 8 s time-outs, the body never read); 0 when it is not obtained.
std::int64_t QueryServerTime(const std::string& url);

// Whether the server's archive is newer: than the stamp when there is one,
// else than the program file by more than 120 seconds.
bool IsUpdateNewer(std::int64_t serverTime, std::int64_t programTime,
                   const std::string& programDir);

enum class DownloadStatus {
  Ok,
  Failed,     // no answer, a status other than 200, no bytes, too large, not written
  TimedOut,   // the time limit, or too slow for too long
  Cancelled,  // the progress callback asked to stop
};

struct DownloadOptions {
  std::uint64_t maxBytes = std::uint64_t{1} << 30;  // larger bodies are refused
  // The whole download may take this long, however steadily bytes arrive:
  // a server dripping a byte a second would otherwise hold it for ever.
  std::chrono::milliseconds timeLimit = std::chrono::minutes(10);
  // Fewer bytes a second than this, over `lowSpeedTime`, end it as well.
  long lowSpeedBytes = 1024;
  std::chrono::seconds lowSpeedTime = std::chrono::seconds(120);
  // Called while bytes arrive and while the transfer waits: bytes received,
  // bytes expected (0 when unknown). False stops the download.
  std::function<bool(std::uint64_t, std::uint64_t)> progress;
};

// Downloads `url` into `target` (created anew, mode 0600). Ok only for a
// complete answer with status 200 and at least one byte; any other outcome
// leaves no file.
DownloadStatus DownloadFile(const std::string& url, const std::string& target,
                            const DownloadOptions& options = {});

// The download notice to the server; every failure is ignored.
void PostDownloadNotice(const UpdateEndpoints& endpoints);

}  // namespace ordano
