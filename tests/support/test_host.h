// A scripted RunHost for tests: queued answers, recorded messages.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "core/run_host.h"

namespace ordano::testing {

struct RecordedMessage {
  std::u16string text, caption;
  MsgIcon icon;
  MsgButtons buttons;
};

class TestHost : public RunHost {
 public:
  std::u16string wildcard = u"*.*";
  bool includeFileDrops = false;
  std::deque<MsgAnswer> answers;  // taken in order; empty -> defaultAnswer
  MsgAnswer defaultAnswer = MsgAnswer::No;
  std::vector<RecordedMessage> messages;
  std::deque<std::optional<SaveDialogState>> saveAnswers;
  std::vector<SaveDialogState> saveRequests;
  bool clipboardAvailable = true;
  std::u16string clipboard;
  std::vector<std::string> opened;
  std::vector<std::pair<CrawlText, std::u16string>> crawlTexts;
  int pumps = 0;
  // Sets CancelRequested at this pump call (1-based); 0 = never.
  int cancelAtPump = 0;

  std::u16string Wildcard() override { return wildcard; }
  bool IncludeFileDrops() override { return includeFileDrops; }
  void Pump(RunState& run) override {
    ++pumps;
    if (cancelAtPump != 0 && pumps >= cancelAtPump) run.CancelRequested = true;
  }
  MsgAnswer MessageBox(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                       MsgButtons buttons) override {
    messages.push_back({std::u16string(text), std::u16string(caption), icon, buttons});
    if (answers.empty()) return buttons == MsgButtons::Ok ? MsgAnswer::Ok : defaultAnswer;
    const MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<SaveDialogState> SaveDialog(const SaveDialogState& proposal) override {
    saveRequests.push_back(proposal);
    if (saveAnswers.empty()) return std::nullopt;
    auto a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
  }
  bool SetClipboardText(std::u16string_view text) override {
    if (!clipboardAvailable) return false;
    clipboard = text;
    return true;
  }
  void OpenWithDefaultProgram(const std::string& path, const std::string&) override {
    opened.push_back(path);
  }
  void ShowCrawlText(CrawlText what, std::u16string_view text) override {
    crawlTexts.emplace_back(what, std::u16string(text));
  }
  std::u16string LastCrawlText(CrawlText what) const {
    for (auto it = crawlTexts.rbegin(); it != crawlTexts.rend(); ++it) {
      if (it->first == what) return it->second;
    }
    return {};
  }
};

// A fresh context with start-up defaults, wired to the host.
std::unique_ptr<AppContext> MakeContext(TestHost& host);

}  // namespace ordano::testing
