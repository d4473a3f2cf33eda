#include "app/window/status_window.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "core/run_state.h"

namespace ordano {
ProgressTexts ProgressTextsOf(const RunState& run, bool md5) {
  ProgressTexts t;
  if (run.ExpectedCount == 0) {
    t.lines[1] = ProgressWindow::tr("ファイル数獲得中... %1").arg(run.EntryCount);
  } else {
    const int total = run.ExpectedCount - 1;
    t.hundredths = total > 0 ? static_cast<double>(run.EntryCount) / total * 10000.0 : 0.0;
    const QString progress = ProgressWindow::tr("処理中 %1% (%2/%3)")
                                 .arg(QString::number(t.hundredths / 100.0, 'f', 2),
                                      QString::number(run.EntryCount), QString::number(total));
    if (md5) {
      t.lines[0] = progress;
      t.lines[1] = QString::fromStdU16String(run.Md5StatusText);
    } else {
      t.lines[1] = progress;
    }
  }
  t.lines[2] = QString::fromStdU16String(run.ArchiveStatusText);
  return t;
}

namespace {

QString ByteText(std::uint64_t bytes) {
  if (bytes < 1024) return QString::asprintf("%lluB", static_cast<unsigned long long>(bytes));
  if (bytes < 1024 * 1024) return QString::asprintf("%.1fKB", static_cast<double>(bytes) / 1024);
  return QString::asprintf("%.1fMB", static_cast<double>(bytes) / (1024 * 1024));
}

}  // namespace

ProgressTexts DownloadTextsOf(std::uint64_t received, std::uint64_t total) {
  ProgressTexts t;
  if (total > 0) {
    t.hundredths =
        std::min(static_cast<double>(received) / static_cast<double>(total), 1.0) * 10000;
    t.lines[0] =
        ProgressWindow::tr("ダウンロード中 %1%").arg(QString::number(t.hundredths / 100.0, 'f', 2));
    t.lines[1] = ByteText(received) + QStringLiteral(" / ") + ByteText(total);
  } else {
    t.lines[0] = ProgressWindow::tr("ダウンロード中...");
    t.lines[1] = ByteText(received);
  }
  return t;
}

ProgressWindow::ProgressWindow(ProgressSource source, double scale, QWidget* owner)
    : ToolkitDialog(owner),
      source_(std::move(source)),
      scale_(scale),
      surface_(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGB32),
      gradient_(kSurfaceWidth - 1, kSurfaceHeight, QImage::Format_RGB32) {
  setObjectName("progressWindow");
  setWindowTitle(tr("おるだの♪"));
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setAcceptDrops(false);
  const int w = static_cast<int>(kSurfaceWidth * scale_);
  const int h = static_cast<int>(kSurfaceHeight * scale_ / 0.6);
  setFixedSize(w, h);

  surface_.fill(QColor(0xC0, 0xC0, 0xC0));
  for (int i = 0; i < gradient_.width(); ++i) {
    const QColor c(i / 4, 100 - i / 8, i / 2 + 10);
    for (int y = 0; y < kSurfaceHeight; ++y) gradient_.setPixelColor(i, y, c);
  }
  // A fixed-pitch face, 32 pixels high, 16 wide: "ＭＳ ゴシック" where it exists.
  font_.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"),
                     QStringLiteral("monospace")});
  font_.setPixelSize(27);
  font_.setStretch(118);
  font_.setWeight(QFont::Medium);

  stop_ = Child<QPushButton>(tr("中止"), this);
  stop_->setObjectName("stop");
  stop_->setGeometry(w - static_cast<int>(90 * scale_), static_cast<int>(h * 0.6) + 10,
                     static_cast<int>(80 * scale_), static_cast<int>(28 * scale_));
  connect(stop_, &QPushButton::clicked, this, &ProgressWindow::reject);
  timer_.setObjectName("timer10");
  timer_.setInterval(50);
  connect(&timer_, &QTimer::timeout, this, &ProgressWindow::Tick);
  timer_.start();
}

// Escape and the window manager's close stop as the button does: a hidden
// window would leave nothing to stop with.
void ProgressWindow::reject() {
  source_.stop();
  ToolkitDialog::reject();
}

void ProgressWindow::Tick() {
  texts_ = source_.texts();
  QPainter p(&surface_);
  p.fillRect(0, 0, 739, kSurfaceHeight, Qt::black);
  const int bar = static_cast<int>(texts_.hundredths * 1.3 / 40.0 * scale_);
  p.fillRect(QRect(0, 0, bar, kSurfaceHeight), QBrush(gradient_));
  p.setFont(font_);
  const int ys[3] = {0, 32, 48};
  const QFontMetrics fm(font_);
  for (int i = 0; i < 3; ++i) {
    if (texts_.lines[i].isEmpty()) continue;
    const int y = ys[i] + fm.ascent();
    p.setPen(QColor(0x3F, 0x3F, 0x3F));
    p.drawText(12, y + 2, texts_.lines[i]);
    p.setPen(QColor(0x7F, 0x7F, 0x7F));
    p.drawText(11, y + 1, texts_.lines[i]);
    p.setPen(Qt::white);
    p.drawText(10, y, texts_.lines[i]);
  }
  p.end();
  update(QRect(0, 0, static_cast<int>(478 * scale_), static_cast<int>(kSurfaceHeight * scale_)));
  if (source_.finished()) {
    timer_.stop();
    done(QDialog::Accepted);
  }
}

void ProgressWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(QRect(0, 0, width(), static_cast<int>(height() * 0.6)), surface_);
}

void ProgressWindow::mousePressEvent(QMouseEvent* event) {
  dragFrom_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void ProgressWindow::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - dragFrom_);
}

}  // namespace ordano
