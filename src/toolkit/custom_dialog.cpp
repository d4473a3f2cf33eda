#include "toolkit/custom_dialog.h"

#include <QAbstractSpinBox>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include "platform/uri_list.h"
#include "toolkit/toolkit_colours.h"

namespace ordano {
namespace {

ToolkitSurface* EnclosingSurface(const QWidget& w) {
  for (QWidget* p = w.parentWidget(); p != nullptr; p = p->parentWidget()) {
    if (ToolkitSurface* s = SurfaceOf(p)) return s;
  }
  return nullptr;
}

// Every widget below `root` that belongs to it and not to a nested surface.
template <class Fn>
void ForOwnDescendants(QWidget& root, Fn&& fn) {
  for (QObject* o : root.children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w == nullptr) continue;
    fn(*w);
    // A nested surface is reported, but its own children are its own; so are
    // the widgets of other windows (a dialog owned by this one).
    if (SurfaceOf(w) != nullptr || w->isWindow()) continue;
    ForOwnDescendants(*w, fn);
  }
}

void SetRole(QWidget& w, QPalette::ColorRole role, const QColor& colour) {
  QPalette pal = w.palette();
  pal.setColor(role, colour);
  w.setPalette(pal);
}

}  // namespace

ToolkitSurface* SurfaceOf(QWidget* widget) { return dynamic_cast<ToolkitSurface*>(widget); }

ToolkitKind ToolkitKindOf(const QWidget& child) {
  if (dynamic_cast<const ToolkitSurface*>(&child) != nullptr) return ToolkitKind::NestedSurface;
  if (const auto* label = qobject_cast<const QLabel*>(&child)) {
    // Icon and picture labels keep their standard drawing.
    return label->pixmap().isNull() ? ToolkitKind::Static : ToolkitKind::Untouched;
  }
  if (qobject_cast<const QLineEdit*>(&child) || qobject_cast<const QTextEdit*>(&child) ||
      qobject_cast<const QPlainTextEdit*>(&child) ||
      qobject_cast<const QAbstractSpinBox*>(&child) || qobject_cast<const QComboBox*>(&child)) {
    return ToolkitKind::Edit;
  }
  if (qobject_cast<const QTreeView*>(&child) || qobject_cast<const QTableView*>(&child)) {
    return ToolkitKind::List;
  }
  if (qobject_cast<const QListView*>(&child)) return ToolkitKind::ListBox;
  // A push-like check or radio button is a checkable push button here.
  if (qobject_cast<const QPushButton*>(&child) || qobject_cast<const QToolButton*>(&child)) {
    return ToolkitKind::Button;
  }
  if (qobject_cast<const QCheckBox*>(&child) || qobject_cast<const QRadioButton*>(&child) ||
      qobject_cast<const QGroupBox*>(&child)) {
    return ToolkitKind::Static;
  }
  return ToolkitKind::Untouched;
}

std::vector<std::string> LocalDropPaths(const QMimeData& mime) {
  std::vector<std::string> paths;
  // The list as sent: QUrl would decode the names as UTF-8 and lose every
  // name that is not (a byte such as %FF becomes U+FFFD).
  const QByteArray list = mime.data(QStringLiteral("text/uri-list"));
  if (!list.isEmpty()) {
    return LocalPathsOfUriList(
        std::string_view(list.constData(), static_cast<std::size_t>(list.size())));
  }
  if (!mime.hasUrls()) return paths;
  const QList<QUrl> urls = mime.urls();
  paths.reserve(static_cast<std::size_t>(urls.size()));
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) continue;  // web addresses and the like
    const QString local = url.toLocalFile();
    if (!local.isEmpty()) paths.push_back(QFile::encodeName(local).toStdString());
  }
  return paths;
}

ToolkitSurface::ToolkitSurface(QWidget& self) : self_(self) {
  self_.setAcceptDrops(true);
  // After set-up, once the subclass has built its controls.
  QMetaObject::invokeMethod(
      &self_,
      [this] {
        if (!lookApplied_) ApplyToolkitLook();
      },
      Qt::QueuedConnection);
}

ToolkitSurface& ToolkitSurface::Root() {
  ToolkitSurface* root = this;
  while (ToolkitSurface* up = EnclosingSurface(root->self_)) root = up;
  return *root;
}

void ToolkitSurface::ApplyToolkitLook() {
  lookApplied_ = true;
  ToolkitSurface& root = Root();
  SetAcrylic(&root == this ? acrylic_ : root.Acrylic());
}

void ToolkitSurface::SetPlainOpacity(double opacity) {
  plainOpacity_ = opacity;
  if (!acrylic_ && self_.isWindow()) self_.setWindowOpacity(plainOpacity_);
}

void ToolkitSurface::SetAcrylic(bool on) {
  acrylic_ = on;
  lookApplied_ = true;
  ColourSelf();
  ColourChildren();
  ForOwnDescendants(self_, [on](QWidget& w) {
    if (ToolkitSurface* nested = SurfaceOf(&w)) nested->SetAcrylic(on);
  });
  self_.update();
}

void ToolkitSurface::ColourSelf() {
  SetRole(self_, QPalette::Window, acrylic_ ? kAcrylicBackColor : kDialogBackColor);
  self_.setAutoFillBackground(true);
  if (self_.isWindow()) self_.setWindowOpacity(acrylic_ ? kAcrylicOpacity : plainOpacity_);
}

void ToolkitSurface::ColourChildren() {
  // Acrylic mode changes the background only: buttons keep their face and
  // labels, boxes their frames.
  const QColor back = acrylic_ ? kAcrylicBackColor : kDialogBackColor;
  ForOwnDescendants(self_, [&back](QWidget& w) {
    switch (ToolkitKindOf(w)) {
      case ToolkitKind::Edit:
      case ToolkitKind::ListBox:
        SetRole(w, QPalette::Base, kEditBackColor);
        break;
      case ToolkitKind::List:
        SetRole(w, QPalette::Base, kListBackColor);
        break;
      case ToolkitKind::Button:
        SetRole(w, QPalette::Button, back);
        break;
      case ToolkitKind::Static:
        SetRole(w, QPalette::Window, back);
        w.setAutoFillBackground(true);
        break;
      case ToolkitKind::Untouched:
      case ToolkitKind::NestedSurface:
        break;
    }
  });
}

QFont ToolkitSurface::MenuFont() {
  const ToolkitMenuStyle& style = MenuStyle();
  QFont font = self_.font();
  font.setPointSize(style.pointSize);
  font.setBold(style.bold);
  font.setItalic(style.italic);
  return font;
}

std::unique_ptr<QMenu> ToolkitSurface::MakeContextMenu() {
  auto menu = std::make_unique<QMenu>(&self_);
  menu->setObjectName("toolkitMenu");
  menu->setFont(MenuFont());
  QMenu* raw = menu.get();
  QAction* acrylic = menu->addAction(
      QCoreApplication::translate("ordano::ToolkitSurface", "アクリル(半透明)モード"));
  acrylic->setObjectName("toolkitAcrylic");
  acrylic->setCheckable(true);
  acrylic->setChecked(Root().Acrylic());
  QObject::connect(acrylic, &QAction::triggered, &self_, [this](bool on) { RequestAcrylic(on); });

  QMenu* sizes = menu->addMenu(
      QCoreApplication::translate("ordano::ToolkitSurface", "メニューフォントサイズ"));
  sizes->setObjectName("toolkitFontSize");
  auto* group = Child<QActionGroup>(sizes);
  for (int pt = 8; pt <= 24; ++pt) {
    QAction* a = sizes->addAction(QString::number(pt));
    a->setObjectName(QStringLiteral("toolkitSize%1").arg(pt));
    a->setCheckable(true);
    a->setChecked(pt == MenuStyle().pointSize);
    group->addAction(a);
    QObject::connect(a, &QAction::triggered, &self_, [this, raw, pt] {
      MenuStyle().pointSize = pt;
      raw->setFont(MenuFont());
    });
  }
  QAction* bold = menu->addAction(QCoreApplication::translate("ordano::ToolkitSurface", "太字"));
  bold->setObjectName("toolkitBold");
  bold->setCheckable(true);
  bold->setChecked(MenuStyle().bold);
  QObject::connect(bold, &QAction::triggered, &self_, [this, raw](bool on) {
    MenuStyle().bold = on;
    raw->setFont(MenuFont());
  });
  QAction* italic = menu->addAction(QCoreApplication::translate("ordano::ToolkitSurface", "斜体"));
  italic->setObjectName("toolkitItalic");
  italic->setCheckable(true);
  italic->setChecked(MenuStyle().italic);
  QObject::connect(italic, &QAction::triggered, &self_, [this, raw](bool on) {
    MenuStyle().italic = on;
    raw->setFont(MenuFont());
  });
  return menu;
}

void ToolkitSurface::ContextMenuAsked(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu = MakeContextMenu();
  menu->exec(event->globalPos());
}

bool ToolkitSurface::HandleDrop(const std::vector<std::string>&) { return false; }

void ToolkitSurface::DeliverDrop(const std::vector<std::string>& paths) {
  if (HandleDrop(paths)) return;
  if (ToolkitSurface* up = EnclosingSurface(self_)) up->DeliverDrop(paths);
}

void ToolkitSurface::DragEntered(QDragEnterEvent* event) {
  if (!LocalDropPaths(*event->mimeData()).empty()) event->acceptProposedAction();
}

void ToolkitSurface::DragMoved(QDragMoveEvent* event) { event->acceptProposedAction(); }

void ToolkitSurface::Dropped(QDropEvent* event) {
  const std::vector<std::string> paths = LocalDropPaths(*event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  DeliverDrop(paths);
}

ToolkitPage::ToolkitPage(QWidget* parent)
    : QWidget(parent), ToolkitSurface(static_cast<QWidget&>(*this)) {}

ToolkitDialog::ToolkitDialog(QWidget* parent)
    : QDialog(parent), ToolkitSurface(static_cast<QWidget&>(*this)) {}

}  // namespace ordano
