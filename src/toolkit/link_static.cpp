#include "toolkit/link_static.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QUrl>

namespace ordano {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  SetHovered(false);
}

QString LinkLabel::Target() const {
  return text().contains(u':') ? text() : QStringLiteral("mailto:") + text();
}

void LinkLabel::SetHovered(bool on) {
  hovered_ = on;
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, on ? QColor(255, 128, 0) : QColor(0, 0, 255));
  setPalette(pal);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  SetHovered(true);
  QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
  SetHovered(false);
  QLabel::leaveEvent(event);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  // A click is a press and a release inside the control.
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (!click) return;
  if (isSignalConnected(QMetaMethod::fromSignal(&LinkLabel::activated))) {
    emit activated(Target());
  } else {
    QDesktopServices::openUrl(QUrl(Target()));
  }
}

}  // namespace ordano
