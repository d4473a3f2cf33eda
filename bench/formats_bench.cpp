// Times the text, CSV, HTML, JSON, JSON Lines and searchable-page catalogues
// of the same table, each written through CFileCus to a file, and prints the
// medians, the ratios to the text catalogue (JSON Lines: to JSON) and the
// bytes per file of the two pages. The files stay in OUTPUT_FOLDER as
// bench-1.* (names and sizes) and bench-2.* (with dates and MD5), for a
// browser to open.
// Usage: ordano_formats_bench [ROWS] [RUNS] [OUTPUT_FOLDER] [ONLY]
// ONLY (text, csv, html, json, jsonl or view) times that format alone.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_host.h"
#include "core/app_context.h"
#include "core/format_size.h"
#include "core/profile_context.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "output/text_writer.h"
#include "settings/settings_defaults.h"

namespace ordano {
namespace {

// Rows as a scan of a large tree leaves them: 40 files per folder, three
// levels, names of 8 to 30 characters (some Japanese), sizes and both times.
void FillRows(AppContext& ctx, int rows) {
  ctx.run.ResetForRun();
  ctx.table.Create(rows + 1000);
  std::u16string folder, linkPrefix, name;
  std::uint64_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(seed >> 33);
  };
  for (int i = 0; i < rows; ++i) {
    const int depth = 1 + (i / 40) % 3;
    if (i % 40 == 0) {
      folder = u"/srv/data/project";
      for (int d = 1; d < depth; ++d) folder += u"/sub" + std::u16string(1, u'a' + d);
      folder += u"/dir" + std::u16string(1, u'A' + (i / 40) % 26);
      linkPrefix = folder + u"/";
    }
    name.clear();
    const int len = 8 + static_cast<int>(next() % 23);
    for (int k = 0; k < len; ++k) {
      const std::uint32_t r = next() % 40;
      name.push_back(r < 4 ? static_cast<char16_t>(u'あ' + r)
                           : static_cast<char16_t>(u'a' + r % 26));
    }
    name += (i % 7 == 0) ? u".html" : u".txt";
    const std::uint64_t size = next() % 5000000;
    ctx.table.SetName(i, name);
    ctx.table.SetFolder(i, folder);
    ctx.table.SetDepth(i, depth);
    ctx.table.SetFolderStart(i, i % 40 == 0 ? 1 : 0);
    ctx.table.SetSize(i, size);
    ctx.run.TotalSize = SaturatingAdd(ctx.run.TotalSize, size);
    ctx.table.SetSizeText(i, SizeFormatOf(ctx.settings));
    ctx.table.SetLinkPrefix(i, linkPrefix);
    ctx.table.SetModified(i,
                          PackLocalTime(1700000000 + static_cast<std::int64_t>(next() % 50000000)));
    ctx.table.SetCreated(i,
                         PackLocalTime(1600000000 + static_cast<std::int64_t>(next() % 50000000)));
    ctx.table.SetMd5(i, u"0123456789abcdef0123456789abcdef");
    ctx.run.NameWidth = std::max(ctx.run.NameWidth, len + 5 + 4 * depth - 4);
    ++ctx.run.EntryCount;
  }
}

// The process's CPU seconds, user and system: the writers run on this thread
// alone, and a loaded machine's other work does not count. The system time
// (copying into the page cache, and reclaiming it when memory is short)
// varies from run to run; the user time is the writer's own work.
struct Cpu {
  double user = 0, system = 0;
};
Cpu CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  const auto s = [](timeval t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return {s(u.ru_utime), s(u.ru_stime)};
}

// Wall seconds of one write; its user and user + system seconds go to `cpu`
// when given.
double Seconds(const std::function<bool()>& write, std::vector<Cpu>* cpu = nullptr) {
  const auto start = std::chrono::steady_clock::now();
  const Cpu cpuStart = CpuSeconds();
  if (!write()) {
    std::fprintf(stderr, "a catalogue could not be written\n");
    std::exit(1);
  }
  const Cpu cpuEnd = CpuSeconds();
  if (cpu != nullptr) {
    cpu->push_back({cpuEnd.user - cpuStart.user, cpuEnd.system - cpuStart.system});
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Measure(AppContext& ctx, const std::string& dir, int runs, const char* label,
             const std::string& only, int pass) {
  const std::string base = dir + "/bench-" + std::to_string(pass);
  const std::string text = base + ".txt", csv = base + ".csv", html = base + ".html",
                    json = base + ".json", jsonl = base + ".jsonl", view = base + ".view.html";
  std::vector<double> t, c, h, j, l, v;
  std::vector<Cpu> tCpu, jCpu;
  auto wanted = [&only](const char* f) { return only.empty() || only == f; };
  for (int k = 0; k < runs; ++k) {
    // Interleaved, so a slow moment of the machine falls on every format.
    if (wanted("text"))
      t.push_back(Seconds(
          [&] {
            CFileCus sink;
            // Opened as a run opens it (the other writers open their own files so).
            if (!sink.Open(text, CFileCus::OpenMode::Replace)) return false;
            const bool ok = WriteTextCatalogue(ctx, sink, text) == TextWriteStatus::Written;
            return sink.Close() && ok;
          },
          &tCpu));
    if (wanted("csv"))
      c.push_back(Seconds([&] {
        CFileCus sink;
        return WriteCsvCatalogue(ctx, sink, csv);
      }));
    if (wanted("html"))
      h.push_back(Seconds([&] {
        CFileCus sink;
        return WriteHtmlCatalogue(ctx, sink, html);
      }));
    if (wanted("json"))
      j.push_back(Seconds(
          [&] {
            CFileCus sink;
            return WriteJsonCatalogue(ctx, sink, json);
          },
          &jCpu));
    if (wanted("jsonl"))
      l.push_back(Seconds([&] {
        CFileCus sink;
        return WriteJsonLinesCatalogue(ctx, sink, jsonl);
      }));
    if (wanted("view"))
      v.push_back(Seconds([&] {
        CFileCus sink;
        return WriteViewCatalogue(ctx, sink, view);
      }));
  }
  if (!only.empty()) return;
  const double mt = Median(t), mc = Median(c), mh = Median(h), mj = Median(j), ml = Median(l),
               mv = Median(v);
  std::printf("%s: %d rows, %d runs, medians: text %.3f s, csv %.3f s, html %.3f s, json %.3f s\n",
              label, ctx.run.EntryCount, runs, mt, mc, mh, mj);
  std::printf("%s: ratio csv/text = %.2f, html/text = %.2f, json/text = %.2f\n", label, mc / mt,
              mh / mt, mj / mt);
  const auto median = [](const std::vector<Cpu>& v, bool withSystem) {
    std::vector<double> x;
    for (const Cpu& c : v) x.push_back(c.user + (withSystem ? c.system : 0));
    return Median(x);
  };
  std::printf(
      "%s: CPU time medians, user + system: text %.3f s, json %.3f s, ratio json/text = %.2f; "
      "user: text %.3f s, json %.3f s, ratio json/text = %.2f\n",
      label, median(tCpu, true), median(jCpu, true), median(jCpu, true) / median(tCpu, true),
      median(tCpu, false), median(jCpu, false), median(jCpu, false) / median(tCpu, false));
  const double files = ctx.run.EntryCount;
  std::printf("%s: medians: jsonl %.3f s, view %.3f s; ratio jsonl/json = %.2f\n", label, ml, mv,
              ml / mj);
  std::printf("%s: bytes per file: view.html %.1f, html %.1f, json %.1f, jsonl %.1f\n", label,
              static_cast<double>(std::filesystem::file_size(view)) / files,
              static_cast<double>(std::filesystem::file_size(html)) / files,
              static_cast<double>(std::filesystem::file_size(json)) / files,
              static_cast<double>(std::filesystem::file_size(jsonl)) / files);
}

}  // namespace
}  // namespace ordano

int main(int argc, char** argv) {
  using namespace ordano;
  const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
  const std::string dir = argc > 3 ? argv[3] : "/tmp";
  const std::string only = argc > 4 ? argv[4] : "";
  BenchHost host;
  AppContext ctx;
  ResetToDefaults(ctx);
  ctx.SetHost(host);
  ctx.settings.WriteTargetFolder = 1;
  // The writers read the run's copy of the settings.
  ctx.options.settings = ctx.settings;
  FillRows(ctx, rows);

  Measure(ctx, dir, runs, "names and sizes", only, 1);
  ctx.settings.WriteDate = 1;
  ctx.settings.ComputeMd5 = 1;
  ctx.settings.FolderSizes = 1;
  ctx.options.settings = ctx.settings;
  Measure(ctx, dir, runs, "with dates, MD5 and folder sizes", only, 2);
  return host.messages == 0 ? 0 : 1;
}
