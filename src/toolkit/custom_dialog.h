// The dialog base of every window of the program (not of the save-file
// dialog): after set-up it gives its direct children the toolkit's look by
// widget kind, applies the acrylic state to itself and its nested dialogs,
// offers the toolkit's context menu, and passes drops it does not handle to
// the dialog it sits in.
#pragma once

#include <QDialog>
#include <QFont>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMenu;
class QMimeData;

namespace ordano {

// Settings of the toolkit's context menu, held by the top-level dialog.
struct ToolkitMenuStyle {
  int pointSize = 9;  // 8 to 24
  bool bold = false;
  bool italic = false;
};

// How a child widget is coloured.
enum class ToolkitKind { Edit, ListBox, List, Button, Static, Untouched, NestedDialog };
ToolkitKind ToolkitKindOf(const QWidget& child);

// Creates a widget owned by its Qt parent.
template <class W, class... Args>
W* Child(Args&&... args) {
  return std::make_unique<W>(std::forward<Args>(args)...).release();
}

class CCustomDialog : public QDialog {
  Q_OBJECT
 public:
  // A page is a child widget of another dialog; otherwise a window of its own.
  explicit CCustomDialog(QWidget* parent = nullptr, bool page = false);

  bool IsPage() const { return page_; }
  bool Acrylic() const { return acrylic_; }
  // Switches this dialog, its children and its nested dialogs at once.
  void SetAcrylic(bool on);
  // Window opacity outside acrylic mode (1.0 unless the window is translucent).
  void SetPlainOpacity(double opacity);

  // The outermost toolkit dialog this one belongs to (itself when top level).
  CCustomDialog* RootDialog();
  ToolkitMenuStyle& MenuStyle() { return RootDialog()->menuStyle_; }
  QFont MenuFont();
  // The toolkit's context menu for this dialog; its actions apply at once.
  std::unique_ptr<QMenu> MakeContextMenu();

  // The context menu's acrylic item asks the top-level dialog; its handler
  // (the main window, which owns the process-wide state) decides, and without
  // one the dialog switches itself.
  void RequestAcrylic(bool on);
  std::function<void(bool)> acrylicHandler;

  // Hands dropped paths to this dialog, or on to the dialog it sits in.
  void DeliverDrop(const std::vector<std::string>& paths);
  // Applies the look now (otherwise a queued call does it after set-up).
  void ApplyToolkitLook();

 protected:
  // True when this dialog took the drop; false passes it on.
  virtual bool HandleDrop(const std::vector<std::string>& paths);

  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void ColourChildren();
  void ColourSelf();

  bool page_;
  bool acrylic_ = false;
  bool lookApplied_ = false;
  double plainOpacity_ = 1.0;
  ToolkitMenuStyle menuStyle_;
};

// The extended base of the basic page.
class CCustomDialogEx : public CCustomDialog {
  Q_OBJECT
 public:
  using CCustomDialog::CCustomDialog;
};

// Local paths of a drop, as the bytes of the names on disk; other URLs are
// ignored.
std::vector<std::string> LocalDropPaths(const QMimeData& mime);

}  // namespace ordano
