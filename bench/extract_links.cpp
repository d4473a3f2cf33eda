// ordano_extract_links [RUNS] PATH...: the link extractor alone over the
// .html/.htm and .css files under each PATH, read into memory first.
// Checks that it finds the same title, base and links as the former extractor
// (decoded text) on every file, then times both over all the files and
// prints the median throughput in MB of page bytes per second.
// Exit status 1 when a file's results differ.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "crawler/charset.h"
#include "crawler/link_extract.h"
#include "link_extract_reference.h"
#include "platform/unicode.h"

namespace {

namespace fs = std::filesystem;

struct Page {
  std::string path;
  std::string body;
  bool isCss = false;
  std::u16string_view ContentType() const { return isCss ? u"text/css" : u"text/html"; }
};

void Load(const fs::path& file, std::vector<Page>& pages) {
  const std::string ext = file.extension().string();
  if (ext != ".html" && ext != ".htm" && ext != ".css") return;
  std::ifstream in(file, std::ios::binary);
  pages.push_back(
      Page{file.string(), std::string(std::istreambuf_iterator<char>(in), {}), ext == ".css"});
}

// The process's CPU seconds: one thread, so a loaded machine's other work
// does not count.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Times {
  double wall = 0, cpu = 0;
};

// Median wall and CPU seconds of `runs` passes of `extract` over every page.
template <class Extract>
Times Median(const std::vector<Page>& pages, int runs, Extract extract) {
  std::vector<double> walls, cpus;
  std::size_t sink = 0;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = CpuSeconds();
    for (const Page& p : pages) sink += extract(p).links.size();
    cpus.push_back(CpuSeconds() - c0);
    walls.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(walls.begin(), walls.end());
  std::sort(cpus.begin(), cpus.end());
  if (sink == 0) std::fprintf(stderr, "no links found\n");
  return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1, runs = 5;
  if (argc > 1 && std::isdigit(static_cast<unsigned char>(argv[1][0]))) {
    runs = std::max(1, std::atoi(argv[1]));
    first = 2;
  }
  std::vector<Page> pages;
  for (int a = first; a < argc; ++a) {
    const fs::path root(argv[a]);
    if (fs::is_regular_file(root)) {
      Load(root, pages);
      continue;
    }
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      if (e.is_regular_file()) Load(e.path(), pages);
    }
  }
  if (pages.empty()) {
    std::fprintf(stderr, "usage: %s [RUNS] PATH...  (no .html, .htm or .css file found)\n",
                 argv[0]);
    return 2;
  }
  std::size_t bytes = 0, links = 0, differ = 0;
  for (const Page& p : pages) {
    bytes += p.body.size();
    const auto now = ordano::ExtractBodyLinks(p.body, p.ContentType(), p.isCss);
    const auto before =
        ordano::reference::ExtractLinks(ordano::DecodeBody(p.body, p.ContentType()), p.isCss);
    links += now.links.size();
    if (now != before) {
      if (++differ <= 10) std::printf("differs: %s\n", p.path.c_str());
    }
  }
  std::printf(
      "%zu files, %.1f MB, %zu links; files whose links differ from the former extractor: %zu\n",
      pages.size(), static_cast<double>(bytes) / 1e6, links, differ);

  const Times now = Median(pages, runs, [](const Page& p) {
    return ordano::ExtractBodyLinks(p.body, p.ContentType(), p.isCss);
  });
  const Times before = Median(pages, runs, [](const Page& p) {
    return ordano::reference::ExtractLinks(ordano::DecodeBody(p.body, p.ContentType()), p.isCss);
  });
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf(
      "median of %d, CPU time: extractor %.3f s, %.0f MB/s; former extractor with decoding "
      "%.3f s, %.0f MB/s (wall time %.3f s and %.3f s)\n",
      runs, now.cpu, mb / now.cpu, before.cpu, mb / before.cpu, now.wall, before.wall);
  return differ == 0 ? 0 : 1;
}
