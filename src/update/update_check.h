// The update decision: the server's time of the update archive against the
// stamp of the last update or the program file's own time; and the transfers.
#pragma once

#include <cstdint>
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

// Downloads `url` into `target` (created anew, mode 0600). True only for a
// complete answer with status 200 and at least one byte; a failed or refused
// download leaves no file. Bodies beyond `maxBytes` are refused.
bool DownloadFile(const std::string& url, const std::string& target,
                  std::uint64_t maxBytes = std::uint64_t{1} << 30);

// The download notice to the server; every failure is ignored.
void PostDownloadNotice(const UpdateEndpoints& endpoints);

}  // namespace ordano
