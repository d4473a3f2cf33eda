// LinkLabel (CLinkStatic): a text that opens itself when clicked, drawn as a link: blue
// and underlined, orange while the pointer is over it, with the hand cursor.
#pragma once

#include <QLabel>
#include <functional>

namespace ordano {

class LinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

  // What a click opens: the text, or "mailto:" and the text when it has no ":".
  QString Target() const;
  bool Hovered() const { return hovered_; }
  // Opens an address; the desktop's default handler unless set.
  std::function<void(const QString&)> open;

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
