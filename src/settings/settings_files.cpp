#include "settings/settings_files.h"

#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstring>

#include "platform/file_handle.h"
#include "platform/program_folder.h"
#include "platform/time_text.h"
#include "settings/profile_extras.h"
#include "settings/settings_defaults.h"

namespace ordano {
namespace {

template <typename Record>
std::span<const std::byte> BytesOf(const Record& r) {
  return std::as_bytes(std::span(&r, 1));
}

// Reads up to sizeof(Record) bytes of a file over a record.
template <typename Record>
bool ReadOver(const std::string& path, Record& record) {
  const UniqueFd fd = OpenForReading(path);
  if (!fd) return false;
  alignas(Record) std::byte buffer[sizeof(Record)];
  const std::size_t n = ReadUpTo(fd.get(), buffer);
  std::memcpy(&record, buffer, n);
  return true;
}

// Cut to at most `units`, never between the halves of a surrogate pair.
std::u16string_view CutText(std::u16string_view text, std::size_t units) {
  if (text.size() <= units) return text;
  std::size_t n = units;
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return text.substr(0, n);
}

std::u16string EntryText(const std::byte* entry) {
  std::u16string text;
  for (std::size_t i = 0; i < kFolderListEntryUnits; ++i) {
    const auto lo = std::to_integer<unsigned>(entry[2 * i]);
    const auto hi = std::to_integer<unsigned>(entry[2 * i + 1]);
    const auto unit = static_cast<char16_t>(lo | (hi << 8));
    if (unit == u'\0') break;
    text.push_back(unit);
  }
  return text;
}

void PutEntry(std::string& out, std::u16string_view text) {
  const std::u16string_view cut = CutText(text, kFolderListEntryUnits - 1);
  const std::size_t start = out.size();
  out.resize(start + kFolderListEntryBytes, '\0');
  for (std::size_t i = 0; i < cut.size(); ++i) {
    out[start + 2 * i] = static_cast<char>(cut[i] & 0xFF);
    out[start + 2 * i + 1] = static_cast<char>(cut[i] >> 8);
  }
}

void PutInt32(std::string& out, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((u >> shift) & 0xFF));
}

std::int64_t NameRecordOffset(int profile) {
  return static_cast<std::int64_t>(profile) * static_cast<std::int64_t>(kProfileNameRecordSize);
}

bool Exists(const std::string& path) { return static_cast<bool>(OpenForReading(path)); }

}  // namespace

std::string StartupFilePath(std::string_view folder) { return std::string(folder) + "sa.dat"; }

std::string SettingsFilePath(std::string_view folder, int profile) {
  if (profile == 0) return std::string(folder) + "ordanou.dat";
  return std::string(folder) + "ordanou" + std::to_string(profile) + ".dat";
}

std::string FolderListFilePath(std::string_view folder, int profile) {
  if (profile == 0) return std::string(folder) + "ordanoud.dat";
  return std::string(folder) + "ordanou" + std::to_string(profile) + "d.dat";
}

std::string ProfileNameFilePath(std::string_view folder) {
  return std::string(folder) + "ordanopu.dat";
}

std::optional<int> ProfileOfSettingsFileName(std::string_view name) {
  constexpr std::string_view kPrefix = "ordanou", kSuffix = ".dat";
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
  const std::string_view digits =
      name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  if (digits.empty()) return 0;
  if (digits.front() < '1' || digits.front() > '9') return std::nullopt;
  int profile = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), profile);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return profile;
}

bool ReadStartupRecord(std::string_view folder, StartupRecord& startup) {
  return ReadOver(StartupFilePath(folder), startup);
}

bool WriteStartupRecord(std::string_view folder, const StartupRecord& startup) {
  return WriteAtomically(StartupFilePath(folder), BytesOf(startup));
}

ProfileNameRecord MakeProfileName(std::u16string_view name, bool deleted) {
  ProfileNameRecord rec{};
  rec.Deleted = deleted ? 1 : 0;
  SetText(rec.Name, CutText(name, std::size(rec.Name) - 1));
  return rec;
}

bool EnsureProfileNameFile(std::string_view folder) {
  const std::string path = ProfileNameFilePath(folder);
  if (Exists(path)) return true;
  return WriteAtomically(path, BytesOf(MakeProfileName(kUntitledProfileName)));
}

bool ReadSettings(std::string_view folder, int profile, SettingsRecord& settings) {
  if (!ReadOver(SettingsFilePath(folder, profile), settings)) return false;
  TerminateTexts(settings);
  return true;
}

void StampSavedAt(SettingsRecord& settings) { SetText(settings.SavedAt, NowStamp()); }

bool WriteSettings(std::string_view folder, int profile, const SettingsRecord& settings) {
  SettingsRecord image = settings;
  TerminateTexts(image);
  return WriteAtomically(SettingsFilePath(folder, profile), BytesOf(image));
}

bool SaveSettings(std::string_view folder, int profile, SettingsRecord& settings) {
  StampSavedAt(settings);
  return WriteSettings(folder, profile, settings);
}

bool WriteFirstStartSettings(std::string_view folder, int profile, SettingsRecord& settings) {
  // The default catalogue goes where the user keeps documents, not among settings.
  ApplyMissingFileDefaults(settings, DocumentsFolder());
  return SaveSettings(folder, profile, settings);
}

bool ReadFolderList(std::string_view folder, int profile, std::vector<std::u16string>& list) {
  list.clear();
  const UniqueFd fd = OpenForReading(FolderListFilePath(folder, profile));
  if (!fd) return false;
  std::byte head[4];
  if (ReadUpTo(fd.get(), head) < sizeof head) return true;
  std::uint32_t raw = 0;
  for (int i = 3; i >= 0; --i) raw = (raw << 8) | std::to_integer<std::uint32_t>(head[i]);
  const auto count = static_cast<std::int32_t>(raw);
  // The count only limits; the entries come from what the file holds.
  std::byte entry[kFolderListEntryBytes];
  for (std::int64_t i = 0; count < 0 || i < count; ++i) {
    if (ReadUpTo(fd.get(), entry) < sizeof entry) break;
    list.push_back(EntryText(entry));
  }
  return true;
}

bool SaveFolderList(std::string_view folder, int profile, std::span<const std::u16string> list) {
  std::string bytes;
  bytes.reserve(4 + list.size() * kFolderListEntryBytes);
  PutInt32(bytes, static_cast<std::int32_t>(list.size()));
  for (const auto& text : list) PutEntry(bytes, text);
  return WriteAtomically(FolderListFilePath(folder, profile), bytes);
}

bool ReadProfileName(std::string_view folder, int profile, ProfileNameRecord& name) {
  if (profile < 0) return false;
  const UniqueFd fd = OpenForReading(ProfileNameFilePath(folder));
  if (!fd) return false;
  alignas(ProfileNameRecord) std::byte buffer[sizeof(ProfileNameRecord)];
  const std::size_t n = ReadUpToAt(fd.get(), buffer, NameRecordOffset(profile));
  if (n == 0) return false;
  std::memcpy(&name, buffer, n);
  TerminateTexts(name);
  return true;
}

bool AppendProfileName(std::string_view folder, const ProfileNameRecord& name) {
  const std::string path = ProfileNameFilePath(folder);
  const auto old = ReadAll(path);
  if (!old) return false;
  std::string bytes = *old;
  const auto rec = BytesOf(name);
  bytes.append(reinterpret_cast<const char*>(rec.data()), rec.size());
  return WriteAtomically(path, bytes);
}

bool RewriteProfileName(std::string_view folder, int profile, const ProfileNameRecord& name) {
  if (profile < 0) return false;
  const std::string path = ProfileNameFilePath(folder);
  const auto old = ReadAll(path);
  if (!old) return false;
  // Written at its offset, so a record far past the end leaves a hole
  // instead of a large allocation.
  return WriteAtomicallyWith(path, [&](int fd) {
    return WriteFully(fd, std::as_bytes(std::span(old->data(), old->size()))) &&
           WriteFullyAt(fd, BytesOf(name), NameRecordOffset(profile));
  });
}

bool DeleteSettings(std::string_view folder, int profile) {
  ::unlink(ProfileExtrasFilePath(folder, profile).c_str());  // its choices go with it
  return ::unlink(SettingsFilePath(folder, profile).c_str()) == 0;
}

void RemoveStaleSettingsTemporaries(const std::string& folder) {
  // sa.dat, ordanou.dat, ordanouN.dat, ordanoud.dat, ordanouNd.dat, ordanopu.dat,
  // ordanou.ini, ordanouN.ini.
  RemoveStaleTemporaries(folder, [](std::string_view name) {
    return name == "sa.dat" || name == "ordanopu.dat" ||
           (name.starts_with("ordanou") && (name.ends_with(".dat") || name.ends_with(".ini")));
  });
}

}  // namespace ordano
