// What verify's walk needs from the thread that reads the catalogue: the
// header when the entries begin, and word of a catalogue that cannot be read.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compare/catalogue_read.h"
#include "core/run_host.h"
#include "core/run_state.h"

namespace ordano {

// The header the reading thread finds, handed to the walk: given when the
// entries begin, or never when the reading ends first.
class HeaderHandoff {
 public:
  void Give(CatalogueHeader header) {
    const std::lock_guard lock(mutex_);
    header_ = std::move(header);
    given_ = true;
    changed_.notify_all();
  }
  void Finish(bool failed) {
    failed_.store(failed);
    const std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
  }
  std::optional<CatalogueHeader> Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return given_ || finished_; });
    if (!given_) return std::nullopt;
    return std::move(header_);
  }
  bool Failed() const { return failed_.load(); }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  CatalogueHeader header_;
  bool given_ = false, finished_ = false;
  std::atomic<bool> failed_{false};
};

// The caller's host for the walk that runs while the catalogue is read: a
// catalogue that turns out unreadable cancels it at the next pump.
class ReadWatchHost : public RunHost {
 public:
  ReadWatchHost(RunHost& host, const HeaderHandoff& read) : host_(host), read_(read) {}

  void CollectRunPages(SettingsRecord& s) override { host_.CollectRunPages(s); }
  void CollectBasicPage(SettingsRecord& s) override { host_.CollectBasicPage(s); }
  void ApplyBasicPage(const SettingsRecord& s) override { host_.ApplyBasicPage(s); }
  std::u16string Wildcard() override { return host_.Wildcard(); }
  bool IncludeFileDrops() override { return host_.IncludeFileDrops(); }
  void Pump(RunState& run) override {
    host_.Pump(run);
    if (read_.Failed()) run.CancelRequested = true;
  }
  void ProgressBegin(RunState& run) override { host_.ProgressBegin(run); }
  void ProgressEnd(RunState& run) override { host_.ProgressEnd(run); }
  void ShowCrawlText(CrawlText what, std::u16string_view text) override {
    host_.ShowCrawlText(what, text);
  }
  void DownloadBegin() override { host_.DownloadBegin(); }
  bool DownloadProgress(std::uint64_t received, std::uint64_t total) override {
    return host_.DownloadProgress(received, total);
  }
  void DownloadEnd() override { host_.DownloadEnd(); }
  MsgAnswer MessageBox(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                       MsgButtons buttons) override {
    return host_.MessageBox(text, caption, icon, buttons);
  }
  std::u16string Text(const Message& message) override { return host_.Text(message); }
  std::optional<SaveDialogState> SaveDialog(const SaveDialogState& proposal) override {
    return host_.SaveDialog(proposal);
  }
  bool SetClipboardText(std::u16string_view text) override { return host_.SetClipboardText(text); }
  void OpenWithDefaultProgram(const std::string& path, const std::string& workingDir) override {
    host_.OpenWithDefaultProgram(path, workingDir);
  }
  void ReportReadFailures(std::span<const ReadFailure> failures) override {
    host_.ReportReadFailures(failures);
  }

 private:
  RunHost& host_;
  const HeaderHandoff& read_;
};

}  // namespace ordano
