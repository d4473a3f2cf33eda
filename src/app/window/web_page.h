// WebPage (CWebList): the web page (dialog 144). One button starts the crawl below the
// typed URL and, while it runs, cancels it; the result goes through the
// ordinary output run.
#pragma once

#include <QString>

#include "run/web_search.h"
#include "toolkit/custom_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace ordano {

struct AppContext;
class RunWorker;

// The web page's controls.
enum class WebControl { Url, Start, Status, Count };

class WebPage : public ToolkitPage {
  Q_OBJECT
 public:
  WebPage(AppContext& ctx, RunWorker& worker, QWidget* parent);

  // Status and completion texts of the crawl (static 1102).
  void ShowText(const QString& text);
  bool Running() const { return running_; }
  const WebSearchOutcome& LastOutcome() const { return lastOutcome_; }

 signals:
  // A crawl starts on the worker thread, and has ended with its output.
  void crawlStarted();
  void crawlFinished();

 private:
  void OnButton();
  // The crawl has returned: the URL and the button serve again.
  void CrawlEnded();

  AppContext& ctx_;
  RunWorker& worker_;
  QLineEdit* urlEdit_ = nullptr;
  QPushButton* button_ = nullptr;
  QLabel* statusText_ = nullptr;
  bool running_ = false;
  WebSearchOutcome lastOutcome_;
};

}  // namespace ordano
