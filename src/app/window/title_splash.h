// TitleSplash (CTitle): the title splash, a borderless picture window in the picture's own
// shape. Timed, it fades in, holds and fades out (timer 1012); staying, it
// shows at full opacity until closed.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

class QMenu;

namespace ordano {

// The alpha after tick n of a timed show, from the alpha before it: 16·n up
// to 240, 255 at 16, held to 45, 991 − 16·n (not below 0) from 46; -1 at
// 70, when the window hides.
int SplashAlpha(int tick, int alpha);

// The window shape: every run of pixels of another colour than the top-left
// pixel's, row by row. Empty when no pixel differs.
QRegion ShapeOf(const QImage& picture);

// "title_.bmp": a Windows bitmap whose headers are sound and whose size is
// at most 4096 × 4096; a null image otherwise.
QImage LoadTitleBitmap(const QString& path);
// The built-in picture, drawn here.
QImage BuiltInTitlePicture();

// Where a splash of `size` stands beside `window` (its frame) inside `area`
// without covering it: right, left, below or above; none when no side has room.
std::optional<QPoint> PlaceBeside(const QSize& size, const QRect& window, const QRect& area);

class TitleSplash : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kTickMs = 100;
  // The picture is "title_.bmp" in `programFolder` when usable, else the
  // built-in one. With the main window as parent it is a window of its own
  // above it that takes clicks, drags and its menu while the main window is up.
  explicit TitleSplash(const QString& programFolder, QWidget* parent = nullptr);

  void ShowTimed();
  void ShowStaying();
  // Places the splash at `topLeft` for its next show.
  void PlaceAt(const QPoint& topLeft);
  void CloseTitle();  // command 102 and the double click
  // One tick of timer 1012.
  void Step();

  int Alpha() const { return alpha_; }
  int Tick() const { return tick_; }
  bool Staying() const { return staying_; }
  bool Fading() const { return timer_.isActive(); }
  const QImage& Picture() const { return picture_; }
  // The staying splash's context menu ("閉じる").
  std::unique_ptr<QMenu> MakeMenu();

 signals:
  // The splash was hidden: faded out, double-clicked or closed from its menu.
  void closed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void Show(bool staying);
  void SetAlpha(int alpha);

  QImage picture_;
  QTimer timer_;  // timer 1012
  int alpha_ = 0;
  int tick_ = 0;
  bool staying_ = false;
  bool placed_ = false;
  QPoint dragOffset_;
};

}  // namespace ordano
