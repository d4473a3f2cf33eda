#include "output/json_writer.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "core/app_context.h"
#include "core/format_size.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "platform/unicode.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

// Keys in the order written, so the file reads like the other catalogues.
using Json = nlohmann::ordered_json;

constexpr std::size_t kFlushAt = 65536;

std::string Utf8(std::u16string_view text) { return Utf16ToUtf8(text); }

Json TimeValue(PackedTime t) { return t == 0 ? Json(nullptr) : Json(IsoTimeText(t)); }

// Every string in the document came through Utf8 (lone surrogates made
// U+FFFD), so the replace handler is a second guard, never the rule.
std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

class JsonCatalogueWriter {
 public:
  JsonCatalogueWriter(AppContext& ctx, CFileCus& sink)
      : ctx_(ctx),
        s_(ctx.options.settings),
        run_(ctx.run),
        t_(ctx.table),
        sink_(sink),
        rows_(std::min(ctx.run.EntryCount, ctx.table.Capacity())) {}

  void Write() {
    std::string head = Dump(Totals());
    head.pop_back();  // the object goes on with its entries
    out_ = std::move(head);
    out_.append(",\"entries\":[");
    for (int i = 0; i < rows_; ++i) {
      out_.append(i == 0 ? "\n" : ",\n");
      out_.append(t_.RawName(i).empty() ? Dump(FillEntry(i)) : Dump(Entry(i)));
      if (out_.size() >= kFlushAt) Flush();
    }
    out_.append("\n]}\n");
    Flush();
  }

 private:
  void Flush() {
    sink_.WriteUtf8(out_);
    out_.clear();
  }

  Json Totals() const {
    Json j;
    j["format"] = "ordano-catalogue";
    j["version"] = 1;
    j["file_count"] = run_.EntryCount - run_.PlaceholderCount;
    j["total_size"] = run_.TotalSize;
    j["total_size_text"] = Utf8(FormatSize(s_, run_.TotalSize));
    j["md5"] = s_.ComputeMd5 != 0;
    if (run_.CapacityRequested) {
      const CapacityInfo cap = QueryCapacity(ctx_);
      if (cap.ok) {
        j["capacity"] = {{"free", cap.free},
                         {"free_text", Utf8(FormatSize(s_, cap.free))},
                         {"total", cap.total},
                         {"total_text", Utf8(FormatSize(s_, cap.total))}};
      }
    }
    return j;
  }

  Json Entry(int i) const {
    Json e;
    e["folder"] = Utf8(t_.Folder(i));
    e["name"] = Utf8(t_.Name(i));
    // A name that is not UTF-8: its exact bytes, so a script can still open it.
    const std::string_view raw = t_.RawName(i);
    if (!raw.empty()) e["name_bytes"] = HexBytes(raw);
    e["placeholder"] = t_.Name(i).empty();
    e["size"] = t_.Size(i);
    e["size_text"] = Utf8(t_.SizeText(i));
    e["modified"] = TimeValue(t_.Modified(i));
    e["created"] = TimeValue(t_.Created(i));
    if (s_.ComputeMd5) e["md5"] = Utf8(t_.Md5(i));
    e["depth"] = t_.Depth(i);
    e["link_path"] = Utf8(t_.LinkPath(i));
    e["title"] = Utf8(t_.Title(i));
    return e;
  }

  // The common row (a valid UTF-8 name): one entry object whose keys stay in
  // place, its values overwritten row by row — far fewer allocations than a
  // fresh object per row.
  const Json& FillEntry(int i) {
    if (reused_.is_null()) reused_ = Entry(i);
    SetString(reused_["folder"], t_.Folder(i));
    SetString(reused_["name"], t_.Name(i));
    reused_["placeholder"] = t_.Name(i).empty();
    reused_["size"] = t_.Size(i);
    SetString(reused_["size_text"], t_.SizeText(i));
    SetTime(reused_["modified"], t_.Modified(i));
    SetTime(reused_["created"], t_.Created(i));
    if (s_.ComputeMd5) SetString(reused_["md5"], t_.Md5(i));
    reused_["depth"] = t_.Depth(i);
    SetString(reused_["link_path"], t_.LinkPath(i));
    SetString(reused_["title"], t_.Title(i));
    return reused_;
  }

  static void SetString(Json& value, std::u16string_view text) {
    if (!value.is_string()) value = std::string();
    std::string& s = value.get_ref<std::string&>();
    s.clear();
    AppendUtf8(s, text);
  }

  static void SetTime(Json& value, PackedTime t) {
    if (t == 0) {
      value = nullptr;
    } else if (value.is_string()) {
      value.get_ref<std::string&>() = IsoTimeText(t);
    } else {
      value = IsoTimeText(t);
    }
  }

  AppContext& ctx_;
  const SettingsRecord& s_;
  const RunState& run_;
  const EntryTable& t_;
  CFileCus& sink_;
  const int rows_;
  std::string out_;
  Json reused_;
};

}  // namespace

std::string HexBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
  return out;
}

bool WriteJsonCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path) {
  // A JSON document is one object: it is always written whole, never appended to.
  sink.SetUtf8Mode(true);
  if (!sink.Open(path, CFileCus::OpenMode::CreateTruncate)) {
    ShowWriteFailure(ctx);
    return false;
  }
  JsonCatalogueWriter(ctx, sink).Write();
  if (!sink.Close()) {
    ShowWriteFailure(ctx);
    return false;
  }
  return true;
}

}  // namespace ordano
