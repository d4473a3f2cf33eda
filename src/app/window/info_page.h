// InfoPage (CInfo): the information page (dialog 141): version, memory figures each
// second, the archiver libraries found at start-up, the title buttons and
// the support link.
#pragma once

#include <QTimer>

#include "app/window/control_set.h"
#include "toolkit/custom_dialog.h"

namespace ordano {

struct AppContext;

// "Memory:\n　　%sB/%sB\nPage:\n　　%sB/%sB" from the text of
// /proc/meminfo: available and total memory, then free and total swap, with
// digit grouping. Empty when the text has no MemTotal.
QString MemoryText(const QString& meminfo);

// The information page's controls, in the order the page lays them out.
enum class InfoControl {
  Version,
  Description,
  Platform,
  Memory,
  Archivers,
  TitleAtStart,
  TitleTimed,
  TitleStaying,
  Update,
  SupportLink,
  Count
};

class InfoPage : public ToolkitPage {
  Q_OBJECT
 public:
  InfoPage(AppContext& ctx, QWidget* parent);

  // Timer 1000: the memory figures again.
  void Refresh();
  // The archiver list from the table probed at start-up.
  void ShowArchivers();
  void SetLink(const QString& address);

 public slots:
  // The title box follows the record (menu, settings applied).
  void ShowTitleBox(bool shown);

 signals:
  // "起動時タイトルを表示する" clicked (the menu's check follows).
  void titleBoxToggled(bool shown);
  // The two title buttons: the timed splash, the staying one.
  void titleTimedRequested();
  void titleStayingRequested();
  // The support link was clicked.
  void linkActivated(const QString& address);
  // The manual update check.
  void updateCheckRequested();

 private:
  template <class W>
  W* As(InfoControl id) const {
    return controls_.Get<W>(id);
  }

  AppContext& ctx_;
  ControlSet<InfoControl> controls_;
  QTimer timer_;  // timer 1000
};

}  // namespace ordano
