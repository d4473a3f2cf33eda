// MainWindow (CMain): the main window (dialog 140), a resizable top-level window. It hosts
// the pages in its tabs, carries menu 130, takes drops anywhere, runs the drop
// road (scan, then the output timer 9901) and owns the save-on-exit procedure.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/window/control_set.h"
#include "app/window/qt_host.h"
#include "run/run_driver.h"
#include "toolkit/custom_dialog.h"

class QAction;
class QLabel;
class QMenuBar;
class QPushButton;
class QScrollArea;
class QTabWidget;

namespace ordano {

struct AppContext;
class BasicPage;
class AdvancedPage;
class HtmlTagPage;
class DrivePage;
class FolderListPage;
class FolderListHint;
class WebPage;
class InfoPage;
class TitleSplash;
class LibrarySearchWindow;
class LibraryVolumesWindow;

// The display scale: horizontal dots per inch / 99, at least 1.02.
double DisplayScale(double dpiX);

// The window's own controls, named as their object names ("formSwitch"),
// which the tests find them by.
enum class MainControl {
  FormSwitch,
  Profiles,
  Tabs,
  Support,
  Exit,
  CompactHint,
  CompactSupport,
  CompactExit,
  Count
};

// The menu's commands, by their command numbers; each action's object name
// reads as what it does ("cmdSaveTab").
enum MenuCommand : int {
  kCmdAbout = 16,
  kCmdExit = 32771,
  kCmdHelp = 32779,
  kCmdProfiles = 32781,
  kCmdConfirmOnExit = 32782,
  kCmdNoTitleAtStart = 32787,
  kCmdTitleTimed = 32788,
  kCmdTitleStaying = 32789,
  kCmdBasicTab = 32790,
  kCmdInfoTab = 32794,
  kCmdSaveTab = 32795,
  kCmdSaveDrive = 32796,
  kCmdDefaults = 32797,
  kCmdCompare = 32800,
  kCmdVerify = 32801,
};

class MainWindow : public QMainWindow, public ToolkitSurface {
  Q_OBJECT
  ORDANO_TOOLKIT_EVENTS()

 public:
  static constexpr int kTabCount = 6;
  static constexpr int kMultiFolderTab = 3;
  static constexpr int kInfoTab = 5;

  explicit MainWindow(AppContext& ctx);
  ~MainWindow() override;

  // Window initialisation: pages, settings applied, tab, placement, form.
  void Initialise();

  AppContext& Context() { return ctx_; }
  QtHost& Host() { return host_; }
  const QtHost& Host() const { return host_; }
  BasicPage& Basic() { return *basic_; }
  AdvancedPage& Advanced() { return *advanced_; }
  FolderListPage& FolderList() { return *multi_; }
  HtmlTagPage& HtmlTags() { return *html_; }
  InfoPage& Info() { return *info_; }
  DrivePage& Drive() { return *drive_; }
  // The title splash, made on first use.
  TitleSplash& Title();
  WebPage& Web() { return *web_; }
  // All eight pages in creation order.
  std::vector<ToolkitPage*> Pages() const;
  double Scale() const { return scale_; }
  QAction* MenuAction(int id) const;

  int CurrentTab() const;
  void SelectTab(int index);
  bool NormalForm() const;
  void SwitchForm();  // button 1036

  // The scan disables the window and its pages.
  void SetRunning(bool running);
  bool Running() const { return running_; }
  // A close came while the window was busy; it follows when the work returns.
  bool CloseRequested() const { return closeRequested_; }
  // A scan, its pending output or a crawl is under way: no other run starts.
  bool Busy() const;
  // A drop: a run, or new entries of the multi-folder list.
  void StartDropRun(const std::vector<std::string>& paths);
  // Timer 9901 and its posted twin: the output of the scanned table.
  void FinishRunNow();
  void PostFinishRun();
  const RunResult& LastResult() const { return lastResult_; }

  // The library's windows (menu ツール), made on first use, shown and raised.
  LibrarySearchWindow& OpenLibrarySearch();
  LibraryVolumesWindow& OpenLibraryVolumes();

  void SaveOnExit();
  void BackToDefaults();  // 32797
  // Menu 32781 and button "★": the pages collected first, applied again
  // after a switch.
  void OpenProfileDialog();
  // The advanced, HTML tag and basic pages into the record, and back.
  void CollectPages();
  void ApplyPages();

 signals:
  // A drop run ended: written, declined or cancelled (see LastResult).
  void runFinished();
  // The window was disabled for a run (its progress window shown), or enabled again.
  void runningChanged(bool running);

 protected:
  bool HandleDrop(const std::vector<std::string>& paths) override;
  void AcrylicRequested(bool on) override { ApplyAcrylic(on); }
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  void BuildBody();
  void ConnectAll();
  void ApplySettings();
  void ApplyAcrylic(bool on);
  QScrollArea* TabPane(const std::vector<QWidget*>& pages);
  // The size the window opens with: every page whole where the screen has room.
  QSize PreferredSize() const;
  void RestorePlacement();
  QString HelpPagePath() const;
  void OpenHelp();
  void OpenSupportPage();
  void SaveAsNewProfile(const QString& name);

  AppContext& ctx_;
  QtHost host_;
  double scale_ = 1.02;
  QMenuBar* menuBar_ = nullptr;
  QWidget* body_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  std::vector<QScrollArea*> panes_;
  QWidget* normalFoot_ = nullptr;   // drop hint, 開発HPへ, 終了
  QWidget* compactPart_ = nullptr;  // the compact form's hint and buttons
  QSize normalSize_;                // the normal form's size while compact
  std::map<int, QAction*> actions_;
  ControlSet<MainControl> controls_;
  QLabel* dropHint_ = nullptr;     // under the tabs, normal form
  QLabel* compactHint_ = nullptr;  // 1057
  BasicPage* basic_ = nullptr;
  AdvancedPage* advanced_ = nullptr;
  DrivePage* drive_ = nullptr;
  HtmlTagPage* html_ = nullptr;
  FolderListPage* multi_ = nullptr;
  InfoPage* info_ = nullptr;
  FolderListHint* hint_ = nullptr;
  WebPage* web_ = nullptr;
  TitleSplash* title_ = nullptr;                    // a window of its own, owned by this one
  LibrarySearchWindow* librarySearch_ = nullptr;    // a child window
  LibraryVolumesWindow* libraryVolumes_ = nullptr;  // a child window
  QTimer outputTimer_;                              // timer 9901
  RunResult lastResult_;
  bool running_ = false;
  bool closeRequested_ = false;
  bool exitSaved_ = false;
};

}  // namespace ordano
