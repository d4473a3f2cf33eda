// Archives made at test time: zip, 7z and tar through libarchive's writer,
// LZH and RAR 4.x byte by byte from their published header formats (stored
// members only), and small helpers the archive tests share.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ordano::testing {

struct FixtureMember {
  std::string name;  // stored bytes
  std::string data;
  bool folder = false;
  std::int64_t mtime = 1623752430;  // 2021-06-15 10:20:30 UTC
};

// Runs a shell command line (sh), true when it exits 0.
inline bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// The 7-Zip command of p7zip, or "" when none is installed.
inline std::string SevenZipTool() {
  for (const char* tool : {"7z", "7za"}) {
    if (Shell(std::string("command -v ") + tool + " >/dev/null 2>&1")) return tool;
  }
  return "";
}

inline std::uint32_t Crc32Of(std::string_view data) {
  return static_cast<std::uint32_t>(
      crc32_z(crc32_z(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()), data.size()));
}

inline std::string Crc32Hex(std::string_view data) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", Crc32Of(data));
  return buf;
}

// libarchive's writer under a UTF-8 locale, so non-ASCII names get the
// archive's UTF-8 marking. `format`: "zip", "7zip", "ustar", "gnutar";
// `filter`: "", "gzip", "bzip2"; `options` as archive_write_set_options takes them.
inline void WriteWithLibarchive(const std::string& path, const std::string& format,
                                const std::string& filter,
                                const std::vector<FixtureMember>& members,
                                const std::string& options = {}, const char* passphrase = nullptr) {
  locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  const locale_t old = utf8 ? uselocale(utf8) : static_cast<locale_t>(nullptr);
  archive* a = archive_write_new();
  bool ok = archive_write_set_format_by_name(a, format.c_str()) == ARCHIVE_OK;
  if (ok && !filter.empty()) ok = archive_write_add_filter_by_name(a, filter.c_str()) == ARCHIVE_OK;
  if (ok && !options.empty()) ok = archive_write_set_options(a, options.c_str()) == ARCHIVE_OK;
  if (ok && passphrase) ok = archive_write_set_passphrase(a, passphrase) == ARCHIVE_OK;
  if (ok) ok = archive_write_open_filename(a, path.c_str()) == ARCHIVE_OK;
  std::string error = ok ? "" : (archive_error_string(a) ? archive_error_string(a) : "setup");
  for (const auto& m : members) {
    if (!ok) break;
    archive_entry* e = archive_entry_new();
    archive_entry_copy_pathname(e, m.name.c_str());
    archive_entry_set_filetype(e, m.folder ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(e, m.folder ? 0755 : 0644);
    archive_entry_set_size(e, m.folder ? 0 : static_cast<la_int64_t>(m.data.size()));
    archive_entry_set_mtime(e, m.mtime, 0);
    ok = archive_write_header(a, e) == ARCHIVE_OK;
    if (ok && !m.folder && !m.data.empty()) {
      ok = archive_write_data(a, m.data.data(), m.data.size()) ==
           static_cast<la_ssize_t>(m.data.size());
    }
    if (!ok) error = archive_error_string(a) ? archive_error_string(a) : "write";
    archive_entry_free(e);
  }
  if (archive_write_close(a) != ARCHIVE_OK && ok) {
    ok = false;
    error = archive_error_string(a) ? archive_error_string(a) : "close";
  }
  archive_write_free(a);
  if (utf8) {
    uselocale(old);
    freelocale(utf8);
  }
  if (!ok) throw std::runtime_error("libarchive writer: " + error);
}

// MS-DOS date and time of a local time.
inline std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
  const std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const std::uint32_t time =
      static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

inline void PutLe16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void PutLe32(std::string& s, std::uint32_t v) {
  PutLe16(s, v & 0xFFFF);
  PutLe16(s, v >> 16);
}

// CRC-16 of LHA (polynomial 0xA001, reflected, start 0).
inline std::uint16_t LhaCrc16(std::string_view data) {
  std::uint16_t crc = 0;
  for (const unsigned char c : data) {
    crc ^= c;
    for (int i = 0; i < 8; ++i)
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

struct LzhMember {
  std::string dir;   // "" or "docs" (levels 1 and 2: a directory extension header)
  std::string name;  // file name bytes; empty for a folder entry
  std::string data;
  std::uint32_t dosTime = DosDateTime(2021, 6, 15, 10, 20, 30);
  std::int64_t unixTime = 1623752430;
};

// An LHA archive with stored (-lh0-) members and -lhd- folders.
inline std::string LzhArchive(int level, const std::vector<LzhMember>& members) {
  std::string out;
  for (const auto& m : members) {
    const bool folder = m.name.empty();
    const std::string method = folder ? "-lhd-" : "-lh0-";
    const std::uint16_t crc = LhaCrc16(m.data);
    std::string dirExt;
    if (!m.dir.empty()) {
      std::string d = m.dir;
      for (auto& c : d) {
        if (c == '/') c = static_cast<char>(0xFF);
      }
      d.push_back(static_cast<char>(0xFF));
      dirExt.push_back(0x02);
      dirExt += d;
    }
    if (level == 0) {
      std::string name = m.dir.empty() ? m.name : m.dir + "\\" + m.name;
      std::string h;
      h += method;
      PutLe32(h, static_cast<std::uint32_t>(m.data.size()));
      PutLe32(h, static_cast<std::uint32_t>(m.data.size()));
      PutLe32(h, m.dosTime);
      h.push_back(0x20);
      h.push_back(0x00);
      h.push_back(static_cast<char>(name.size()));
      h += name;
      PutLe16(h, crc);
      unsigned sum = 0;
      for (const unsigned char c : h) sum += c;
      out.push_back(static_cast<char>(h.size()));
      out.push_back(static_cast<char>(sum & 0xFF));
      out += h;
      out += m.data;
    } else if (level == 1) {
      // Extension headers: type, body, size of the next one (2 bytes).
      std::vector<std::string> exts;
      if (!dirExt.empty()) exts.push_back(dirExt);
      std::uint32_t extTotal = 0;
      for (const auto& e : exts) extTotal += static_cast<std::uint32_t>(e.size() + 2);
      std::string h;
      h += method;
      PutLe32(h, static_cast<std::uint32_t>(m.data.size()) + extTotal);
      PutLe32(h, static_cast<std::uint32_t>(m.data.size()));
      PutLe32(h, m.dosTime);
      h.push_back(0x20);
      h.push_back(0x01);
      h.push_back(static_cast<char>(m.name.size()));
      h += m.name;
      PutLe16(h, crc);
      h.push_back('U');
      PutLe16(h, exts.empty() ? 0 : static_cast<std::uint32_t>(exts[0].size() + 2));
      unsigned sum = 0;
      for (const unsigned char c : h) sum += c;
      out.push_back(static_cast<char>(h.size()));
      out.push_back(static_cast<char>(sum & 0xFF));
      out += h;
      for (std::size_t i = 0; i < exts.size(); ++i) {
        out += exts[i];
        PutLe16(out, i + 1 < exts.size() ? static_cast<std::uint32_t>(exts[i + 1].size() + 2) : 0);
      }
      out += m.data;
    } else {
      // The header CRC (type 0) comes first; it covers the whole header with
      // its own field zero.
      std::vector<std::string> exts;
      exts.push_back(std::string("\x00\x00\x00", 3));
      exts.push_back(std::string(1, '\x01') + m.name);
      if (!dirExt.empty()) exts.push_back(dirExt);
      std::string tail;
      for (std::size_t i = 0; i < exts.size(); ++i) {
        tail += exts[i];
        PutLe16(tail, i + 1 < exts.size() ? static_cast<std::uint32_t>(exts[i + 1].size() + 2) : 0);
      }
      const std::uint32_t total = 26 + static_cast<std::uint32_t>(tail.size());
      std::string h;
      PutLe16(h, total);
      h += method;
      PutLe32(h, static_cast<std::uint32_t>(m.data.size()));
      PutLe32(h, static_cast<std::uint32_t>(m.data.size()));
      PutLe32(h, static_cast<std::uint32_t>(m.unixTime));
      h.push_back(0x20);
      h.push_back(0x02);
      PutLe16(h, crc);
      h.push_back('U');
      PutLe16(h, static_cast<std::uint32_t>(exts[0].size() + 2));
      std::string header = h + tail;
      const std::uint16_t headerCrc = LhaCrc16(header);
      header[27] = static_cast<char>(headerCrc & 0xFF);
      header[28] = static_cast<char>(headerCrc >> 8);
      out += header;
      out += m.data;
    }
  }
  out.push_back('\0');
  return out;
}

struct RarMember {
  std::string name;  // "\" separated, as RAR stores it
  std::string data;
  bool folder = false;
  std::uint32_t dosTime = DosDateTime(2021, 6, 15, 10, 20, 30);
};

inline void PutRarBlock(std::string& out, std::string body) {
  // body starts at HEAD_TYPE; HEAD_CRC is the low half of its CRC-32.
  PutLe16(out, Crc32Of(body) & 0xFFFF);
  out += body;
}

// A RAR 4.x archive with stored (method 0x30) members.
inline std::string Rar4Archive(const std::vector<RarMember>& members) {
  std::string out("Rar!\x1a\x07\x00", 7);
  std::string main;
  main.push_back(0x73);
  PutLe16(main, 0x0000);
  PutLe16(main, 13);
  main.append(6, '\0');
  PutRarBlock(out, main);
  for (const auto& m : members) {
    std::string b;
    b.push_back(0x74);
    PutLe16(b, 0x8000 | (m.folder ? 0x00E0 : 0));
    PutLe16(b, static_cast<std::uint32_t>(32 + m.name.size()));
    PutLe32(b, static_cast<std::uint32_t>(m.data.size()));  // PACK_SIZE
    PutLe32(b, static_cast<std::uint32_t>(m.data.size()));  // UNP_SIZE
    b.push_back(0x00);                                      // HOST_OS MS-DOS
    PutLe32(b, m.folder ? 0 : Crc32Of(m.data));
    PutLe32(b, m.dosTime);
    b.push_back(20);    // UNP_VER 2.0
    b.push_back(0x30);  // stored
    PutLe16(b, static_cast<std::uint32_t>(m.name.size()));
    PutLe32(b, m.folder ? 0x10 : 0x20);
    b += m.name;
    PutRarBlock(out, b);
    out += m.data;
  }
  std::string end;
  end.push_back(0x7B);
  PutLe16(end, 0x4000);
  PutLe16(end, 7);
  PutRarBlock(out, end);
  return out;
}

}  // namespace ordano::testing
