// Life of the settings record: start-up defaults, first-start defaults,
// corrections after loading and the change test at exit.
#pragma once

#include <cstdint>
#include <string_view>

#include "settings/settings_record.h"

namespace ordano {

inline constexpr std::u16string_view kDefaultHeadTags =
    u"<head>\r\n"
    u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
    u"<title>おるだの♪出力結果</title>\r\n"
    u"</head>";
inline constexpr std::u16string_view kDefaultBodyTags = u"<body bgcolor=\"#000000\">";
inline constexpr std::u16string_view kDefaultLinkTags = u"<a href=\"%1\">%2</a>";
inline constexpr std::u16string_view kDefaultTargetName = u"ターゲットフォルダ：";
inline constexpr std::u16string_view kDefaultFolderTag = u"bgcolor=#00FF00";
inline constexpr std::int32_t kNoWindowPlacement = -99999;

// Start-up defaults of all three records, before any file is read; the four
// date/time fields get `now` (Unix seconds).
void ResetToDefaults(SettingsRecord& settings, StartupRecord& startup, ProfileNameRecord& name,
                     std::int64_t now);

// Extra defaults when the profile has no settings file yet. The output folder
// becomes `outputFolder` (the documents folder at a first start) and the
// output path that folder plus "txt.txt".
void ApplyMissingFileDefaults(SettingsRecord& settings, std::string_view outputFolder);

// Corrections after loading: when a file was read and confirmation, header and
// depth descent are all off, all three go back on; in every case
// ForceConfirmAtStart forces confirmation and the unused flag at 1644 is cleared.
void FixUpAfterLoad(SettingsRecord& settings, bool fileWasRead = true);

// Gives every text field of a record a terminator (a loaded file may lack one).
void TerminateTexts(SettingsRecord& settings);
void TerminateTexts(ProfileNameRecord& name);

// Change detection: the snapshot is the record just before the main window
// opens; a change is any difference outside AcrylicMode, or an edited
// multi-folder list.
bool HasChanged(const SettingsRecord& current, const SettingsRecord& snapshot,
                bool folderListChanged);

}  // namespace ordano
