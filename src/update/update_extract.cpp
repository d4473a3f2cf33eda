#include "update/update_extract.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

namespace ordano {
namespace {

struct ReadDeleter {
  void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteDeleter {
  void operator()(archive* a) const { archive_write_free(a); }
};

bool EmptyFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  if (ec) return false;
  if (mkdir(folder.c_str(), 0700) != 0) return false;
  return true;
}

// Components of a relative name; nullopt-like empty result for unsafe ones.
bool Components(std::string_view name, std::vector<std::string_view>& out) {
  std::size_t i = 0;
  while (i <= name.size()) {
    const std::size_t next = std::min(name.find('/', i), name.size());
    const std::string_view part = name.substr(i, next - i);
    if (part == "..") {
      if (out.empty()) return false;
      out.pop_back();
    } else if (!part.empty() && part != ".") {
      out.push_back(part);
    }
    i = next + 1;
  }
  return true;
}

ExtractStatus Unpack(const std::string& archivePath, const std::string& folder,
                     const ExtractLimits& limits) {
  std::unique_ptr<archive, ReadDeleter> in(archive_read_new());
  std::unique_ptr<archive, WriteDeleter> out(archive_write_disk_new());
  if (!in || !out) return ExtractStatus::Failed;
  archive_read_support_format_zip(in.get());
  if (archive_read_open_filename(in.get(), archivePath.c_str(), 1 << 16) != ARCHIVE_OK) {
    return ExtractStatus::NotAnArchive;
  }
  // Names are checked below and then made absolute inside the folder; on top
  // of that libarchive refuses ".." and writing through symbolic links.
  archive_write_disk_set_options(out.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_PERM |
                                                ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                ARCHIVE_EXTRACT_SECURE_NODOTDOT);
  std::uint64_t entries = 0, bytes = 0;
  archive_entry* entry = nullptr;
  for (;;) {
    const int r = archive_read_next_header(in.get(), &entry);
    if (r == ARCHIVE_EOF) break;
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return ExtractStatus::NotAnArchive;
    if (++entries > limits.maxEntries) return ExtractStatus::TooLarge;
    const char* nameText = archive_entry_pathname(entry);
    const std::string name = nameText != nullptr ? nameText : "";
    if (!IsSafeEntryPath(name)) return ExtractStatus::Unsafe;
    const char* link = archive_entry_symlink(entry);
    if (link != nullptr && !IsSafeLinkTarget(name, link)) return ExtractStatus::Unsafe;
    const char* hard = archive_entry_hardlink(entry);
    if (hard != nullptr) {
      if (!IsSafeEntryPath(hard)) return ExtractStatus::Unsafe;
      archive_entry_set_hardlink(entry, (folder + "/" + hard).c_str());
    }
    const mode_t type = archive_entry_filetype(entry);
    if (type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK) return ExtractStatus::Unsafe;
    archive_entry_set_pathname(entry, (folder + "/" + name).c_str());
    // Nobody else may write into what the installer copies (as root, maybe).
    archive_entry_set_perm(entry, archive_entry_perm(entry) & 0755);
    if (archive_write_header(out.get(), entry) != ARCHIVE_OK) return ExtractStatus::Failed;
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
      const int d = archive_read_data_block(in.get(), &block, &size, &offset);
      if (d == ARCHIVE_EOF) break;
      if (d != ARCHIVE_OK) return ExtractStatus::NotAnArchive;
      bytes += size;
      if (bytes > limits.maxBytes) return ExtractStatus::TooLarge;
      if (archive_write_data_block(out.get(), block, size, offset) != ARCHIVE_OK) {
        return ExtractStatus::Failed;
      }
    }
    if (archive_write_finish_entry(out.get()) != ARCHIVE_OK) return ExtractStatus::Failed;
  }
  if (archive_write_close(out.get()) != ARCHIVE_OK) return ExtractStatus::Failed;
  return entries == 0 ? ExtractStatus::Empty : ExtractStatus::Ok;
}

}  // namespace

bool IsSafeEntryPath(std::string_view name) {
  if (name.empty() || name.front() == '/') return false;
  std::size_t i = 0;
  bool any = false;
  while (i <= name.size()) {
    const std::size_t next = std::min(name.find('/', i), name.size());
    const std::string_view part = name.substr(i, next - i);
    if (part == "..") return false;
    if (!part.empty() && part != ".") any = true;
    i = next + 1;
  }
  return any;
}

bool IsSafeLinkTarget(std::string_view name, std::string_view target) {
  if (target.empty() || target.front() == '/') return false;
  std::vector<std::string_view> parts;
  if (!Components(name, parts) || parts.empty()) return false;
  parts.pop_back();  // the link's own folder
  std::string joined;
  for (const auto p : parts) {
    joined += p;
    joined += '/';
  }
  joined += target;
  std::vector<std::string_view> resolved;
  return Components(joined, resolved);
}

ExtractStatus ExtractUpdateArchive(const std::string& archive, const std::string& folder,
                                   const ExtractLimits& limits) {
  if (!EmptyFolder(folder)) return ExtractStatus::Failed;
  const ExtractStatus status = Unpack(archive, folder, limits);
  if (status != ExtractStatus::Ok) EmptyFolder(folder);
  return status;
}

std::string FindPayloadFolder(const std::string& folder, std::string_view exeName) {
  const auto holds = [&](const std::filesystem::path& dir) {
    std::error_code ec;
    return std::filesystem::is_regular_file(dir / exeName, ec);
  };
  if (holds(folder)) return folder;
  std::vector<std::filesystem::path> subfolders;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    std::error_code typeEc;
    if (e.is_directory(typeEc) && !e.is_symlink(typeEc)) subfolders.push_back(e.path());
  }
  std::sort(subfolders.begin(), subfolders.end());
  for (const auto& d : subfolders) {
    if (holds(d)) return d.string();
  }
  return folder;
}

}  // namespace ordano
