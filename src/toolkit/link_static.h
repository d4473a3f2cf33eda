// LinkLabel (CLinkStatic): a text that opens itself when clicked, drawn as a link: blue
// and underlined, orange while the pointer is over it, with the hand cursor.
#pragma once

#include <QLabel>

namespace ordano {

class LinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

  // What a click opens: the text, or "mailto:" and the text when it has no ":".
  QString Target() const;
  bool Hovered() const { return hovered_; }
 signals:
  // A click: the address to open. Unconnected, the desktop's default handler opens it.
  void activated(const QString& target);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetHovered(bool on);

  bool hovered_ = false;
  bool pressed_ = false;
};

}  // namespace ordano
