// ordano_library_store LIBRARY FILES [TREES [NAMES]]: stores FILES synthetic
// rows into LIBRARY through Library::StoreTree, as TREES trees of one offline
// volume (one transaction each), and prints the time the stores took. Names
// follow bench/make_tree.py (100 per folder, every tenth Japanese) with seven
// digits; NAMES, when given, gets each name on a line for grep -F.
#include "library/library_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "compare/catalogue_read.h"

namespace {

constexpr const char* kWords[] = {"写真", "旅行",   "会議",   "資料",   "報告",   "夏休み", "家族",
                                  "音楽", "動画",   "請求書", "見積",   "議事録", "カメラ", "東京",
                                  "大阪", "結婚式", "卒業",   "運動会", "設計",   "契約"};

// The rows of one tree: files [first, first + count) below `root`.
ordano::Catalogue SyntheticTree(const std::string& root, std::uint64_t first, std::uint64_t count) {
  constexpr std::uint64_t kPerFolder = 100;
  ordano::Catalogue c;
  c.rows.reserve(count);
  char name[96];
  for (std::uint64_t i = first; i < first + count; ++i) {
    const std::uint64_t j = i % kPerFolder;
    if (j == 0 || i == first) {
      std::snprintf(name, sizeof name, "%s/d%04llu/sub%07llu", root.c_str(),
                    static_cast<unsigned long long>(i / kPerFolder % 100),
                    static_cast<unsigned long long>(i / kPerFolder));
      c.folders.emplace_back(name);
    }
    if (i % 10 == 0) {
      std::snprintf(name, sizeof name, "%s_%07llu_%llu.dat", kWords[(i / 10) % std::size(kWords)],
                    static_cast<unsigned long long>(i), static_cast<unsigned long long>(j));
    } else {
      std::snprintf(name, sizeof name, "file_%07llu_%llu.dat", static_cast<unsigned long long>(i),
                    static_cast<unsigned long long>(j));
    }
    ordano::CatalogueRow& row = c.rows.emplace_back();
    row.folder = static_cast<std::uint32_t>(c.folders.size() - 1);
    row.name = name;
    row.size = i % 97;
    row.hasSize = true;
    row.modified.wall = 1700000000 + static_cast<std::int64_t>(i);
    row.modified.offsetMinutes = 0;
    row.modified.known = true;
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 5) {
    std::fprintf(stderr, "usage: %s LIBRARY FILES [TREES [NAMES]]\n", argv[0]);
    return 2;
  }
  const std::uint64_t files = std::strtoull(argv[2], nullptr, 10);
  const std::uint64_t trees = argc > 3 ? std::max(1ull, std::strtoull(argv[3], nullptr, 10)) : 1;
  std::ofstream names;
  if (argc > 4) names.open(argv[4], std::ios::binary | std::ios::trunc);
  const auto library = ordano::Library::Open(argv[1], true);
  ordano::VolumeIdentity volume;
  volume.key = "path:/bench";
  volume.mountPoint = "/";
  std::chrono::duration<double> storing{};
  std::uint64_t stored = 0;
  for (std::uint64_t t = 0; t < trees; ++t) {
    const std::uint64_t first = files * t / trees, count = files * (t + 1) / trees - first;
    const std::string root = "/bench/t" + std::to_string(t);
    const ordano::Catalogue c = SyntheticTree(root, first, count);
    if (names.is_open()) {
      for (const ordano::CatalogueRow& row : c.rows) names << row.name << '\n';
    }
    const auto start = std::chrono::steady_clock::now();
    stored += library->StoreTree(volume, root, c, "import", 1700000000);
    storing += std::chrono::steady_clock::now() - start;
  }
  std::printf("stored %llu rows in %.3f s: %.0f rows/s\n", static_cast<unsigned long long>(stored),
              storing.count(), static_cast<double>(stored) / storing.count());
  return 0;
}
