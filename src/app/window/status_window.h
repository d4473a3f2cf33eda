// CStatus: the progress window of a scan. It draws the run state on its own
// 50 ms timer, closes itself when the scan is over, and its "中止" button
// only sets the run's cancel flag.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QTimer>

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
// The window closes itself at the first tick where this holds.
bool ProgressFinished(const RunState& run);

class CStatus : public CCustomDialog {
  Q_OBJECT
 public:
  static constexpr int kSurfaceWidth = 479;
  static constexpr int kSurfaceHeight = 120;

  CStatus(RunState& run, bool md5, double scale, QWidget* owner);

  // One timer tick: texts, surface, closing test.
  void Tick();
  const QImage& Surface() const { return surface_; }
  const ProgressTexts& Texts() const { return texts_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void Stop();

  RunState& run_;
  bool md5_;
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
