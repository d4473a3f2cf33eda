// InfoPage (CInfo): the information page (dialog 141): version, memory figures each
// second, the archiver libraries found at start-up, the title buttons and
// the support link.
#pragma once

#include <QTimer>
#include <functional>

#include "toolkit/custom_dialog.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace ordano {

struct AppContext;
class LinkLabel;

// "Memory:\n　　%sB/%sB\nPage:\n　　%sB/%sB" from the text of
// /proc/meminfo: available and total memory, then free and total swap, with
// digit grouping. Empty when the text has no MemTotal.
QString MemoryText(const QString& meminfo);

class InfoPage : public ToolkitPage {
  Q_OBJECT
 public:
  InfoPage(AppContext& ctx, QWidget* parent);

  // Timer 1000: the memory figures again.
  void Refresh();
  // The archiver list from the table probed at start-up.
  void ShowArchivers();
  void SetLink(const QString& address);

  QCheckBox* titleBox = nullptr;        // 1002
  QPushButton* titleTimed = nullptr;    // 1036
  QPushButton* titleStaying = nullptr;  // 1037
  QPushButton* updateButton = nullptr;  // online update
  LinkLabel* link = nullptr;            // 1040
  QLabel* memory = nullptr;             // 1046
  QLabel* archivers = nullptr;          // 1056
 signals:
  // "起動時タイトルを表示する" clicked (the menu's check follows).
  void titleBoxToggled(bool shown);
  // The manual update check.
  void updateCheckRequested();

 private:
  AppContext& ctx_;
  QTimer timer_;  // timer 1000
};

}  // namespace ordano
