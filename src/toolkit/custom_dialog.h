// The toolkit's look, shared by the main window, its pages and the program's
// dialogs (not the save-file dialog): after set-up each surface gives the
// widgets it owns the toolkit's colours by widget kind, switches acrylic mode
// (background and opacity) with the surfaces nested in it, offers the
// toolkit's context menu, and passes drops it does not handle to the surface
// it sits in.
#pragma once

#include <QDialog>
#include <QFont>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

class QContextMenuEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMenu;
class QMimeData;

namespace ordano {

// Settings of the toolkit's context menu, held by the outermost surface.
struct ToolkitMenuStyle {
  int pointSize = 9;  // 8 to 24
  bool bold = false;
  bool italic = false;
};

// How a child widget is coloured.
enum class ToolkitKind { Edit, ListBox, List, Button, Static, Untouched, NestedSurface };
ToolkitKind ToolkitKindOf(const QWidget& child);

// Creates a widget owned by its Qt parent.
template <class W, class... Args>
W* Child(Args&&... args) {
  return std::make_unique<W>(std::forward<Args>(args)...).release();
}

// The toolkit's side of a widget; the widget class derives from both.
class ToolkitSurface {
 public:
  explicit ToolkitSurface(QWidget& self);
  virtual ~ToolkitSurface() = default;
  ToolkitSurface(const ToolkitSurface&) = delete;
  ToolkitSurface& operator=(const ToolkitSurface&) = delete;

  QWidget& Self() const { return self_; }
  bool Acrylic() const { return acrylic_; }
  // Switches this surface, its children and its nested surfaces at once.
  void SetAcrylic(bool on);
  // Window opacity outside acrylic mode (1.0 unless the window is translucent).
  void SetPlainOpacity(double opacity);

  // The outermost surface this one belongs to (itself when top level).
  ToolkitSurface& Root();
  ToolkitMenuStyle& MenuStyle() { return Root().menuStyle_; }
  QFont MenuFont();
  // The toolkit's context menu for this surface; its actions apply at once.
  std::unique_ptr<QMenu> MakeContextMenu();
  // The context menu's acrylic item asks the outermost surface.
  void RequestAcrylic(bool on) { Root().AcrylicRequested(on); }

  // Hands dropped paths to this surface, or on to the one it sits in.
  void DeliverDrop(const std::vector<std::string>& paths);
  // Applies the look now (otherwise a queued call does it after set-up).
  void ApplyToolkitLook();

 protected:
  // The outermost surface decides a request of its acrylic item; by default
  // it switches itself.
  virtual void AcrylicRequested(bool on) { SetAcrylic(on); }
  // True when this surface took the drop; false passes it on.
  virtual bool HandleDrop(const std::vector<std::string>& paths);

  // The event handlers of the widget class call these.
  void DragEntered(QDragEnterEvent* event);
  void DragMoved(QDragMoveEvent* event);
  void Dropped(QDropEvent* event);
  void ContextMenuAsked(QContextMenuEvent* event);

 private:
  void ColourChildren();
  void ColourSelf();

  QWidget& self_;
  bool acrylic_ = false;
  bool lookApplied_ = false;
  double plainOpacity_ = 1.0;
  ToolkitMenuStyle menuStyle_;
};

// The surface of a widget, or null.
ToolkitSurface* SurfaceOf(QWidget* widget);

// Forwards a widget class's drag, drop and context-menu events to its surface.
#define ORDANO_TOOLKIT_EVENTS()                                                         \
 protected:                                                                             \
  void dragEnterEvent(QDragEnterEvent* event) override { DragEntered(event); }          \
  void dragMoveEvent(QDragMoveEvent* event) override { DragMoved(event); }              \
  void dropEvent(QDropEvent* event) override { Dropped(event); }                        \
  void contextMenuEvent(QContextMenuEvent* event) override { ContextMenuAsked(event); } \
                                                                                        \
 private:

// A page of the main window: a plain widget in its tabs.
class ToolkitPage : public QWidget, public ToolkitSurface {
  Q_OBJECT
 public:
  explicit ToolkitPage(QWidget* parent = nullptr);
  ORDANO_TOOLKIT_EVENTS()
};

// A dialog of the program: a window of its own.
class ToolkitDialog : public QDialog, public ToolkitSurface {
  Q_OBJECT
 public:
  explicit ToolkitDialog(QWidget* parent = nullptr);
  ORDANO_TOOLKIT_EVENTS()
};

// Local paths of a drop, as the bytes of the names on disk; other URLs are
// ignored.
std::vector<std::string> LocalDropPaths(const QMimeData& mime);

}  // namespace ordano
