// ProgressWindow (CStatus): the progress window of a run. It draws what its source gives on
// its own 50 ms timer and stays until the run closes it (a digest still runs
// when every entry is counted); its "中止" button only sets the run's cancel
// flag. The update's download shows its bytes in the same window.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "toolkit/custom_dialog.h"

class QPushButton;

namespace ordano {

struct RunState;

// The three text lines and the progress in hundredths of a percent.
struct ProgressTexts {
  QString lines[3];
  double hundredths = 0;
};
ProgressTexts ProgressTextsOf(const RunState& run, bool md5);
// A download: bytes received of the total (0 when the server gave none).
ProgressTexts DownloadTextsOf(std::uint64_t received, std::uint64_t total);

// What a progress window shows and what its button does.
struct ProgressSource {
  std::function<ProgressTexts()> texts;
  std::function<bool()> finished;  // the window closes itself when true
  std::function<void()> stop;      // "中止", Escape too
};

class ProgressWindow : public ToolkitDialog {
  Q_OBJECT
 public:
  static constexpr int kSurfaceWidth = 479;
  static constexpr int kSurfaceHeight = 120;

  ProgressWindow(ProgressSource source, double scale, QWidget* owner);

  // One timer tick: texts, surface, closing test.
  void Tick();
  const QImage& Surface() const { return surface_; }
  const ProgressTexts& Texts() const { return texts_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void reject() override;

 private:
  ProgressSource source_;
  double scale_;
  QImage surface_;
  QImage gradient_;
  QFont font_;
  ProgressTexts texts_;
  QTimer timer_;  // timer 10
  QPushButton* stop_ = nullptr;
  QPoint dragFrom_;
};

}  // namespace ordano
