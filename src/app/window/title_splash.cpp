#include "app/window/title_splash.h"

#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QtEndian>
#include <algorithm>

#include "app/window/pages.h"

namespace ordano {
namespace {

constexpr int kMaxTitleSide = 4096;
constexpr QRgb kKeyColour = 0xFFFF00FF;  // magenta: outside the shape

}  // namespace

int SplashAlpha(int tick, int alpha) {
  if (tick >= 70) return -1;
  if (tick >= 46) return std::max(991 - 16 * tick, 0);
  if (tick >= 17) return alpha;
  if (tick == 16) return 255;
  return 16 * tick;
}

QRegion ShapeOf(const QImage& picture) {
  if (picture.isNull()) return {};
  const QImage img = picture.convertToFormat(QImage::Format_RGB32);
  const QRgb key = img.pixel(0, 0) & 0xFFFFFF;
  QRegion region;
  for (int y = 0; y < img.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    int x = 0;
    while (x < img.width()) {
      while (x < img.width() && (row[x] & 0xFFFFFF) == key) ++x;
      const int start = x;
      while (x < img.width() && (row[x] & 0xFFFFFF) != key) ++x;
      if (x > start) region += QRect(start, y, x - start, 1);
    }
  }
  return region;
}

QImage LoadTitleBitmap(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  // The 14-byte file header, then the 40-byte information header.
  const QByteArray head = file.read(54);
  if (head.size() < 54 || !head.startsWith("BM")) return {};
  const auto* p = reinterpret_cast<const uchar*>(head.constData());
  const quint32 infoSize = qFromLittleEndian<quint32>(p + 14);
  const qint32 width = qFromLittleEndian<qint32>(p + 18);
  const qint32 height = qFromLittleEndian<qint32>(p + 22);
  const quint16 planes = qFromLittleEndian<quint16>(p + 26);
  // Height is negative for a top-down bitmap; the absolute value stays in int range.
  const qint64 rows = height < 0 ? -static_cast<qint64>(height) : height;
  if (infoSize < 40 || planes != 1 || width < 1 || width > kMaxTitleSide || rows < 1 ||
      rows > kMaxTitleSide) {
    return {};
  }
  file.close();
  QImage image;
  if (!image.load(path, "BMP") || image.width() != width || image.height() != rows) return {};
  return image;
}

QImage BuiltInTitlePicture() {
  const int w = 440, h = 260;
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(kKeyColour);
  QPainter p(&img);
  // The outline without antialiasing, so the edge holds no blend of the key.
  QPainterPath card;
  card.addRoundedRect(QRectF(0, 0, w, h).adjusted(6, 6, -6, -6), 34, 34);
  QLinearGradient sky(0, 0, 0, h);
  sky.setColorAt(0, QColor(214, 244, 244));
  sky.setColorAt(1, QColor(120, 188, 204));
  p.fillPath(card, sky);
  p.setRenderHint(QPainter::Antialiasing);
  p.setClipPath(card);
  // A folder with a sheet of paper sticking out.
  p.translate(42, 70);
  p.setPen(QPen(QColor(150, 110, 20), 3));
  p.setBrush(QColor(246, 200, 80));
  QPainterPath back;
  back.moveTo(0, 14);
  back.lineTo(36, 14);
  back.lineTo(46, 0);
  back.lineTo(96, 0);
  back.lineTo(104, 14);
  back.lineTo(120, 14);
  back.lineTo(120, 104);
  back.lineTo(0, 104);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(Qt::white);
  p.setPen(QPen(QColor(90, 90, 90), 2));
  p.drawRect(QRectF(18, 4, 84, 70));
  p.setPen(QPen(QColor(120, 160, 200), 3));
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(28, 18 + 14 * i), QPointF(92, 18 + 14 * i));
  p.setPen(QPen(QColor(150, 110, 20), 3));
  p.setBrush(QColor(252, 216, 110));
  QPainterPath front;
  front.moveTo(-6, 40);
  front.lineTo(126, 40);
  front.lineTo(120, 104);
  front.lineTo(0, 104);
  front.closeSubpath();
  p.drawPath(front);
  p.resetTransform();
  // The name, with a shadow.
  QFont title(QStringLiteral("Noto Sans CJK JP"));
  title.setPixelSize(44);
  title.setBold(true);
  p.setFont(title);
  const QRect nameBox(180, 60, 240, 64);
  p.setPen(QColor(30, 70, 90, 120));
  p.drawText(nameBox.translated(3, 3), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("おるだの♪"));
  p.setPen(QColor(20, 60, 110));
  p.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("おるだの♪"));
  QFont small(QStringLiteral("Noto Sans CJK JP"));
  small.setPixelSize(17);
  p.setFont(small);
  p.setPen(QColor(25, 55, 70));
  p.drawText(QRect(180, 128, 250, 26), Qt::AlignLeft, QStringLiteral("ファイル一覧作成ツール"));
  small.setPixelSize(13);
  p.setFont(small);
  p.drawText(QRect(180, 156, 250, 22), Qt::AlignLeft,
             QStringLiteral("Ver %1").arg(QString::fromUtf8(kVersionText)));
  // Eighth notes along the bottom edge.
  QFont notes(QStringLiteral("Noto Sans CJK JP"));
  notes.setPixelSize(30);
  p.setFont(notes);
  for (int i = 0; i < 7; ++i) {
    p.setPen(QColor::fromHsv((i * 45) % 360, 140, 200));
    p.drawText(QPointF(40 + i * 55, 226 - (i % 2) * 12), QStringLiteral("♪"));
  }
  return img;
}

TitleSplash::TitleSplash(const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool) {
  setObjectName("title");
  setWindowTitle(QStringLiteral("おるだの♪"));
  picture_ = LoadTitleBitmap(programFolder + QStringLiteral("title_.bmp"));
  if (picture_.isNull()) picture_ = BuiltInTitlePicture();
  setFixedSize(picture_.size());
  setMask(ShapeOf(picture_));
  timer_.setObjectName("timer1012");
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &TitleSplash::Step);
  SetAlpha(0);
}

void TitleSplash::SetAlpha(int alpha) {
  alpha_ = alpha;
  setWindowOpacity(alpha / 255.0);
}

void TitleSplash::Show(bool staying) {
  staying_ = staying;
  if (!placed_) {
    placed_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      move(area.x() + area.width() / 2 - width() / 2, area.y() + area.height() / 2 - height() / 2);
    }
  }
  if (staying) SetAlpha(255);
  show();
  raise();
  update();
  tick_ = 0;
  if (staying) {
    timer_.stop();
  } else {
    timer_.start();
  }
}

std::optional<QPoint> PlaceBeside(const QSize& size, const QRect& window, const QRect& area) {
  constexpr int kGap = 8;
  auto clampY = [&](int y) {
    return std::clamp(y, area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
  };
  auto clampX = [&](int x) {
    return std::clamp(x, area.left(), std::max(area.left(), area.right() + 1 - size.width()));
  };
  const QPoint candidates[] = {
      {window.right() + 1 + kGap, clampY(window.top())},
      {window.left() - kGap - size.width(), clampY(window.top())},
      {clampX(window.left()), window.bottom() + 1 + kGap},
      {clampX(window.left()), window.top() - kGap - size.height()},
  };
  for (const QPoint& at : candidates) {
    const QRect splash(at, size);
    if (area.contains(splash) && !splash.intersects(window)) return at;
  }
  return std::nullopt;
}

void TitleSplash::PlaceAt(const QPoint& topLeft) {
  placed_ = true;
  move(topLeft);
}

void TitleSplash::ShowTimed() { Show(false); }
void TitleSplash::ShowStaying() { Show(true); }

void TitleSplash::CloseTitle() {
  timer_.stop();
  const bool shown = isVisible();
  hide();
  if (shown) emit closed();
}

void TitleSplash::Step() {
  const int alpha = SplashAlpha(++tick_, alpha_);
  if (alpha < 0) {
    CloseTitle();
    return;
  }
  SetAlpha(alpha);
}

std::unique_ptr<QMenu> TitleSplash::MakeMenu() {
  auto menu = std::make_unique<QMenu>(this);
  QAction* close = menu->addAction(tr("閉じる"));
  close->setObjectName("cmdClose");
  connect(close, &QAction::triggered, this, &TitleSplash::CloseTitle);
  return menu;
}

void TitleSplash::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, picture_);
}

void TitleSplash::mousePressEvent(QMouseEvent* event) {
  // The whole window is its caption.
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
  if (event->button() == Qt::RightButton && staying_) {
    MakeMenu()->exec(event->globalPosition().toPoint());
  }
}

void TitleSplash::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - dragOffset_);
}

void TitleSplash::mouseDoubleClickEvent(QMouseEvent*) { CloseTitle(); }

void TitleSplash::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

}  // namespace ordano
