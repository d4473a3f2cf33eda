// The fixed labels the CSV and HTML catalogues share with the text catalogue.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

inline constexpr std::u16string_view kTargetFolderLabel = u"ターゲットフォルダ：";
inline constexpr std::u16string_view kFolderNameLabel = u"フォルダ名";
inline constexpr std::u16string_view kFileNameLabel = u"ファイル名";
inline constexpr std::u16string_view kSizeLabel = u"サイズ";
inline constexpr std::u16string_view kModifiedLabel = u"更新日付";
inline constexpr std::u16string_view kCreatedLabel = u"作成日付";
inline constexpr std::u16string_view kMd5Label = u"MD5";
inline constexpr std::u16string_view kFreeSpaceLabel = u"空き容量";
inline constexpr std::u16string_view kTotalCapacityLabel = u"総容量";

// Counts are plain decimal, without grouping.
inline void AppendCount(std::u16string& out, long long n) {
  const std::string digits = std::to_string(n);
  out.append(digits.begin(), digits.end());
}

// "ファイル数 N 個"; the HTML catalogue's last folder summary has no space
// before the number ("ファイル数N 個").
inline std::u16string FolderCountLabel(int n, bool spaceBeforeNumber = true) {
  std::u16string label = spaceBeforeNumber ? u"ファイル数 " : u"ファイル数";
  AppendCount(label, n);
  label.append(u" 個");
  return label;
}

}  // namespace ordano
