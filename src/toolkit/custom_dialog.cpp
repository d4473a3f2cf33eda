#include "toolkit/custom_dialog.h"

#include <QAbstractSpinBox>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
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

CCustomDialog* EnclosingDialog(const QWidget* w) {
  for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget()) {
    if (auto* d = qobject_cast<CCustomDialog*>(p)) return d;
  }
  return nullptr;
}

// Every widget below `root` that belongs to it and not to a nested dialog.
template <class Fn>
void ForOwnDescendants(QWidget* root, Fn&& fn) {
  for (QObject* o : root->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w == nullptr) continue;
    if (qobject_cast<CCustomDialog*>(w) != nullptr) {
      fn(*w);  // reported, but its own children are its own
      continue;
    }
    fn(*w);
    ForOwnDescendants(w, fn);
  }
}

void SetRole(QWidget& w, QPalette::ColorRole role, const QColor& colour) {
  QPalette pal = w.palette();
  pal.setColor(role, colour);
  w.setPalette(pal);
}

}  // namespace

ToolkitKind ToolkitKindOf(const QWidget& child) {
  if (qobject_cast<const CCustomDialog*>(&child) != nullptr) return ToolkitKind::NestedDialog;
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

CCustomDialog::CCustomDialog(QWidget* parent, bool page) : QDialog(parent), page_(page) {
  if (page_) setWindowFlags(Qt::Widget);
  setAcceptDrops(true);
  // After set-up, once the subclass has built its controls.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (!lookApplied_) ApplyToolkitLook();
      },
      Qt::QueuedConnection);
}

CCustomDialog* CCustomDialog::RootDialog() {
  CCustomDialog* root = this;
  while (CCustomDialog* up = EnclosingDialog(root)) root = up;
  return root;
}

void CCustomDialog::ApplyToolkitLook() {
  lookApplied_ = true;
  CCustomDialog* root = RootDialog();
  SetAcrylic(root == this ? acrylic_ : root->Acrylic());
}

void CCustomDialog::SetPlainOpacity(double opacity) {
  plainOpacity_ = opacity;
  if (!acrylic_ && isWindow()) setWindowOpacity(plainOpacity_);
}

void CCustomDialog::SetAcrylic(bool on) {
  acrylic_ = on;
  lookApplied_ = true;
  ColourSelf();
  ColourChildren();
  ForOwnDescendants(this, [on](QWidget& w) {
    if (auto* nested = qobject_cast<CCustomDialog*>(&w)) nested->SetAcrylic(on);
  });
  update();
}

void CCustomDialog::ColourSelf() {
  SetRole(*this, QPalette::Window, acrylic_ ? kAcrylicBackColor : kDialogBackColor);
  setAutoFillBackground(true);
  if (isWindow()) setWindowOpacity(acrylic_ ? kAcrylicOpacity : plainOpacity_);
}

void CCustomDialog::ColourChildren() {
  const bool acrylic = acrylic_;
  ForOwnDescendants(this, [acrylic](QWidget& w) {
    switch (ToolkitKindOf(w)) {
      case ToolkitKind::Edit:
      case ToolkitKind::ListBox:
        SetRole(w, QPalette::Base, kEditBackColor);
        break;
      case ToolkitKind::List:
        SetRole(w, QPalette::Base, kListBackColor);
        break;
      case ToolkitKind::Button:
        // Transparent in acrylic mode: the face shows the dialog behind it.
        SetRole(w, QPalette::Button, acrylic ? QColor(Qt::transparent) : kDialogBackColor);
        break;
      case ToolkitKind::Static:
        SetRole(w, QPalette::Window, acrylic ? QColor(Qt::transparent) : kDialogBackColor);
        w.setAutoFillBackground(!acrylic);
        break;
      case ToolkitKind::Untouched:
      case ToolkitKind::NestedDialog:
        break;
    }
  });
}

void CCustomDialog::RequestAcrylic(bool on) {
  CCustomDialog* root = RootDialog();
  if (root->acrylicHandler) {
    root->acrylicHandler(on);
  } else {
    root->SetAcrylic(on);
  }
}

QFont CCustomDialog::MenuFont() {
  const ToolkitMenuStyle& style = MenuStyle();
  QFont font = this->font();
  font.setPointSize(style.pointSize);
  font.setBold(style.bold);
  font.setItalic(style.italic);
  return font;
}

std::unique_ptr<QMenu> CCustomDialog::MakeContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  menu->setObjectName("toolkitMenu");
  menu->setFont(MenuFont());
  QMenu* raw = menu.get();
  QAction* acrylic = menu->addAction(QStringLiteral("アクリル(半透明)モード"));
  acrylic->setObjectName("toolkitAcrylic");
  acrylic->setCheckable(true);
  acrylic->setChecked(RootDialog()->Acrylic());
  connect(acrylic, &QAction::triggered, this, [this](bool on) { RequestAcrylic(on); });

  QMenu* sizes = menu->addMenu(QStringLiteral("メニューフォントサイズ"));
  sizes->setObjectName("toolkitFontSize");
  auto* group = Child<QActionGroup>(sizes);
  for (int pt = 8; pt <= 24; ++pt) {
    QAction* a = sizes->addAction(QString::number(pt));
    a->setObjectName(QStringLiteral("toolkitSize%1").arg(pt));
    a->setCheckable(true);
    a->setChecked(pt == MenuStyle().pointSize);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, raw, pt] {
      MenuStyle().pointSize = pt;
      raw->setFont(MenuFont());
    });
  }
  QAction* bold = menu->addAction(QStringLiteral("太字"));
  bold->setObjectName("toolkitBold");
  bold->setCheckable(true);
  bold->setChecked(MenuStyle().bold);
  connect(bold, &QAction::triggered, this, [this, raw](bool on) {
    MenuStyle().bold = on;
    raw->setFont(MenuFont());
  });
  QAction* italic = menu->addAction(QStringLiteral("斜体"));
  italic->setObjectName("toolkitItalic");
  italic->setCheckable(true);
  italic->setChecked(MenuStyle().italic);
  connect(italic, &QAction::triggered, this, [this, raw](bool on) {
    MenuStyle().italic = on;
    raw->setFont(MenuFont());
  });
  return menu;
}

void CCustomDialog::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu = MakeContextMenu();
  menu->exec(event->globalPos());
}

bool CCustomDialog::HandleDrop(const std::vector<std::string>&) { return false; }

void CCustomDialog::DeliverDrop(const std::vector<std::string>& paths) {
  if (HandleDrop(paths)) return;
  if (CCustomDialog* up = EnclosingDialog(this)) up->DeliverDrop(paths);
}

void CCustomDialog::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalDropPaths(*event->mimeData()).empty()) event->acceptProposedAction();
}

void CCustomDialog::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void CCustomDialog::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = LocalDropPaths(*event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  DeliverDrop(paths);
}

}  // namespace ordano
