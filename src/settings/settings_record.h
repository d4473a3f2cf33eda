// The three persistent records as exact little-endian byte images.
// Their images are the settings files, so every offset below is fixed.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace ordano {

static_assert(std::endian::native == std::endian::little,
              "the settings files are raw little-endian images");

using Flag = std::int32_t;

struct SettingsRecord {
  char16_t OutputFolder[256];
  char16_t OutputFile[512];
  Flag AppendOutput;
  Flag ConfirmOverwrite;
  Flag WriteTargetFolder;
  Flag Unify;
  Flag WriteDate;
  Flag IncludeHidden;
  Flag ScanToDepth;
  std::int32_t SortOrder;
  Flag SortDescending;
  Flag IgnoreHierarchy;
  Flag FolderSizes;
  Flag OmitVolumeName;
  Flag OmitFolderName;
  Flag ForceConfirmAtStart;
  Flag Translucent;
  Flag SizeKB;
  Flag SizeMB;
  Flag SizeAuto;
  Flag HtmlLinks;
  Flag FileNameOnly;
  Flag RelativeOutput;
  Flag OpenAfterSave;
  Flag AppendNameDigits;
  std::int32_t AppendDigitCount;
  Flag DigitsByTab;
  Flag TabEight;
  std::int32_t HtmlBackColor;
  Flag Reserved1644;
  Flag DateRangeEnabled;
  std::int32_t SearchDepth;
  std::int32_t OutputKind;
  Flag NoTopmost;
  Flag HideTargetLabel;
  Flag HideFileNameLabel;
  Flag HideTotalLabel;
  Flag RenameTarget;
  Flag IndentTree;
  Flag IncludeEmptyFolders;
  Flag RelativeRootName;
  Flag CharFilter;
  std::int32_t CharFilterMode;
  Flag TxtLineBreaks;  // stored inverted: 1 means no line breaks
  Flag TxtBrTags;
  std::int32_t DropDateDays;
  Flag DropDateLimit;
  Flag ExpandArchives;
  Flag SaveToClipboard;
  Flag PreferLastExtension;
  Flag ComputeMd5;
  Flag WriteCapacity;
  char16_t HeadTags[5000];
  char16_t BodyTags[1000];
  char16_t LinkTags[1000];
  Flag HeadTagsEnabled;
  Flag BodyTagsEnabled;
  Flag LinkTagsEnabled;
  std::int32_t CapacityPlace;    // 0 top, 1 bottom
  std::int32_t TotalCountPlace;  // combo index xor 1: 1 top, 0 bottom
  std::uint8_t Reserved15756[180];
  std::int64_t DateFromDate;
  std::int64_t DateFromTime;
  std::int64_t DateToDate;
  std::int64_t DateToTime;
  char16_t TargetName[256];
  char16_t CharFilterText[1000];
  char16_t FolderTag[1000];
  Flag FolderTagEnabled;
  char16_t FileTag[1000];
  Flag FileTagEnabled;
  char16_t SavedAt[64];
  std::int16_t NoTitleAtStart;
  std::uint8_t Reserved22618[2];
  Flag LineWidthEnabled;
  std::int32_t LineWidth;
  Flag IncludeTargetName;
  std::uint8_t Reserved22632[68];
  Flag ReadShortcuts;
  Flag CsvFolderAndFile;
  std::uint8_t Reserved22708[112];
  Flag AcrylicMode;
};

struct StartupRecord {
  std::int32_t ProfileNumber;
  std::int32_t ProfileCount;
  Flag ConfirmSaveOnExit;
  std::uint8_t Reserved12[36];
  std::int32_t WindowLeft;
  std::int32_t WindowTop;
  std::int32_t WindowWidth;
  std::int32_t WindowHeight;
  Flag NormalMode;
  Flag SaveTabPosition;
  Flag SaveDrivePosition;
  std::int32_t TabIndex;
  std::int32_t DriveIndex;
};

struct ProfileNameRecord {
  std::int32_t Deleted;
  char16_t Name[256];
};

inline constexpr std::size_t kSettingsRecordSize = 22824;
inline constexpr std::size_t kStartupRecordSize = 84;
inline constexpr std::size_t kProfileNameRecordSize = 516;
// The change test ignores the last field (AcrylicMode).
inline constexpr std::size_t kSettingsCompareSize = 22820;

static_assert(std::is_trivially_copyable_v<SettingsRecord>);
static_assert(std::is_standard_layout_v<SettingsRecord>);
static_assert(sizeof(SettingsRecord) == kSettingsRecordSize);
static_assert(sizeof(StartupRecord) == kStartupRecordSize);
static_assert(sizeof(ProfileNameRecord) == kProfileNameRecordSize);

#define ORDANO_AT(rec, field, off) static_assert(offsetof(rec, field) == (off), #field)
ORDANO_AT(SettingsRecord, OutputFolder, 0);
ORDANO_AT(SettingsRecord, OutputFile, 512);
ORDANO_AT(SettingsRecord, AppendOutput, 1536);
ORDANO_AT(SettingsRecord, ConfirmOverwrite, 1540);
ORDANO_AT(SettingsRecord, WriteTargetFolder, 1544);
ORDANO_AT(SettingsRecord, Unify, 1548);
ORDANO_AT(SettingsRecord, WriteDate, 1552);
ORDANO_AT(SettingsRecord, IncludeHidden, 1556);
ORDANO_AT(SettingsRecord, ScanToDepth, 1560);
ORDANO_AT(SettingsRecord, SortOrder, 1564);
ORDANO_AT(SettingsRecord, SortDescending, 1568);
ORDANO_AT(SettingsRecord, IgnoreHierarchy, 1572);
ORDANO_AT(SettingsRecord, FolderSizes, 1576);
ORDANO_AT(SettingsRecord, OmitVolumeName, 1580);
ORDANO_AT(SettingsRecord, OmitFolderName, 1584);
ORDANO_AT(SettingsRecord, ForceConfirmAtStart, 1588);
ORDANO_AT(SettingsRecord, Translucent, 1592);
ORDANO_AT(SettingsRecord, SizeKB, 1596);
ORDANO_AT(SettingsRecord, SizeMB, 1600);
ORDANO_AT(SettingsRecord, SizeAuto, 1604);
ORDANO_AT(SettingsRecord, HtmlLinks, 1608);
ORDANO_AT(SettingsRecord, FileNameOnly, 1612);
ORDANO_AT(SettingsRecord, RelativeOutput, 1616);
ORDANO_AT(SettingsRecord, OpenAfterSave, 1620);
ORDANO_AT(SettingsRecord, AppendNameDigits, 1624);
ORDANO_AT(SettingsRecord, AppendDigitCount, 1628);
ORDANO_AT(SettingsRecord, DigitsByTab, 1632);
ORDANO_AT(SettingsRecord, TabEight, 1636);
ORDANO_AT(SettingsRecord, HtmlBackColor, 1640);
ORDANO_AT(SettingsRecord, Reserved1644, 1644);
ORDANO_AT(SettingsRecord, DateRangeEnabled, 1648);
ORDANO_AT(SettingsRecord, SearchDepth, 1652);
ORDANO_AT(SettingsRecord, OutputKind, 1656);
ORDANO_AT(SettingsRecord, NoTopmost, 1660);
ORDANO_AT(SettingsRecord, HideTargetLabel, 1664);
ORDANO_AT(SettingsRecord, HideFileNameLabel, 1668);
ORDANO_AT(SettingsRecord, HideTotalLabel, 1672);
ORDANO_AT(SettingsRecord, RenameTarget, 1676);
ORDANO_AT(SettingsRecord, IndentTree, 1680);
ORDANO_AT(SettingsRecord, IncludeEmptyFolders, 1684);
ORDANO_AT(SettingsRecord, RelativeRootName, 1688);
ORDANO_AT(SettingsRecord, CharFilter, 1692);
ORDANO_AT(SettingsRecord, CharFilterMode, 1696);
ORDANO_AT(SettingsRecord, TxtLineBreaks, 1700);
ORDANO_AT(SettingsRecord, TxtBrTags, 1704);
ORDANO_AT(SettingsRecord, DropDateDays, 1708);
ORDANO_AT(SettingsRecord, DropDateLimit, 1712);
ORDANO_AT(SettingsRecord, ExpandArchives, 1716);
ORDANO_AT(SettingsRecord, SaveToClipboard, 1720);
ORDANO_AT(SettingsRecord, PreferLastExtension, 1724);
ORDANO_AT(SettingsRecord, ComputeMd5, 1728);
ORDANO_AT(SettingsRecord, WriteCapacity, 1732);
ORDANO_AT(SettingsRecord, HeadTags, 1736);
ORDANO_AT(SettingsRecord, BodyTags, 11736);
ORDANO_AT(SettingsRecord, LinkTags, 13736);
ORDANO_AT(SettingsRecord, HeadTagsEnabled, 15736);
ORDANO_AT(SettingsRecord, BodyTagsEnabled, 15740);
ORDANO_AT(SettingsRecord, LinkTagsEnabled, 15744);
ORDANO_AT(SettingsRecord, CapacityPlace, 15748);
ORDANO_AT(SettingsRecord, TotalCountPlace, 15752);
ORDANO_AT(SettingsRecord, Reserved15756, 15756);
ORDANO_AT(SettingsRecord, DateFromDate, 15936);
ORDANO_AT(SettingsRecord, DateFromTime, 15944);
ORDANO_AT(SettingsRecord, DateToDate, 15952);
ORDANO_AT(SettingsRecord, DateToTime, 15960);
ORDANO_AT(SettingsRecord, TargetName, 15968);
ORDANO_AT(SettingsRecord, CharFilterText, 16480);
ORDANO_AT(SettingsRecord, FolderTag, 18480);
ORDANO_AT(SettingsRecord, FolderTagEnabled, 20480);
ORDANO_AT(SettingsRecord, FileTag, 20484);
ORDANO_AT(SettingsRecord, FileTagEnabled, 22484);
ORDANO_AT(SettingsRecord, SavedAt, 22488);
ORDANO_AT(SettingsRecord, NoTitleAtStart, 22616);
ORDANO_AT(SettingsRecord, LineWidthEnabled, 22620);
ORDANO_AT(SettingsRecord, LineWidth, 22624);
ORDANO_AT(SettingsRecord, IncludeTargetName, 22628);
ORDANO_AT(SettingsRecord, ReadShortcuts, 22700);
ORDANO_AT(SettingsRecord, CsvFolderAndFile, 22704);
ORDANO_AT(SettingsRecord, AcrylicMode, 22820);

ORDANO_AT(StartupRecord, ProfileNumber, 0);
ORDANO_AT(StartupRecord, ProfileCount, 4);
ORDANO_AT(StartupRecord, ConfirmSaveOnExit, 8);
ORDANO_AT(StartupRecord, WindowLeft, 48);
ORDANO_AT(StartupRecord, WindowTop, 52);
ORDANO_AT(StartupRecord, WindowWidth, 56);
ORDANO_AT(StartupRecord, WindowHeight, 60);
ORDANO_AT(StartupRecord, NormalMode, 64);
ORDANO_AT(StartupRecord, SaveTabPosition, 68);
ORDANO_AT(StartupRecord, SaveDrivePosition, 72);
ORDANO_AT(StartupRecord, TabIndex, 76);
ORDANO_AT(StartupRecord, DriveIndex, 80);

ORDANO_AT(ProfileNameRecord, Deleted, 0);
ORDANO_AT(ProfileNameRecord, Name, 4);
#undef ORDANO_AT

// The text of a fixed field: up to its terminator, or the whole array when a
// loaded file left none.
template <std::size_t N>
std::u16string_view TextOf(const char16_t (&field)[N]) {
  const char16_t* end = std::find(field, field + N, u'\0');
  return {field, static_cast<std::size_t>(end - field)};
}

// Stores a text into a fixed field, cut so that the terminator always fits.
template <std::size_t N>
void SetText(char16_t (&field)[N], std::u16string_view text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::copy_n(text.data(), n, field);
  field[n] = u'\0';
}

}  // namespace ordano
