#include "app/window/pages.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "core/app_context.h"
#include "platform/unicode.h"

namespace ordano {

ShellPage::ShellPage(const QString& objectName, const QString& caption, QWidget* parent)
    : CCustomDialog(parent, true) {
  setObjectName(objectName);
  auto* rows = Child<QVBoxLayout>(this);
  auto* label = Child<QLabel>(caption, this);
  label->setWordWrap(true);
  rows->addWidget(label);
}

Cdriveall::Cdriveall(RunHost& host, QWidget* parent)
    : ShellPage(QStringLiteral("dlg131"), QStringLiteral("ドライブ丸ごと"), parent), host_(host) {}

bool Cdriveall::HandleDrop(const std::vector<std::string>& paths) {
  if (paths.size() != 1) {
    host_.MessageBox(u"ファイルは1つだけドロップしてください。", u"Ordano", MsgIcon::Warning,
                     MsgButtons::Ok);
    return true;
  }
  droppedRoot_ = paths.front().substr(0, 3);
  return true;
}

CMultiDD::CMultiDD(AppContext& ctx, QWidget* parent)
    : ShellPage(QStringLiteral("dlg137"), QStringLiteral("フォルダ一覧"), parent), ctx_(ctx) {
  list_ = Child<QListWidget>(this);
  list_->setObjectName("multiList");
  layout()->addWidget(list_);
}

void CMultiDD::Reload() {
  list_->clear();
  for (const auto& folder : ctx_.folderList) list_->addItem(QString::fromStdU16String(folder));
}

void CMultiDD::AddFolders(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    ctx_.folderList.push_back(ToDisplay(path));
    list_->addItem(QString::fromStdString(path));
  }
  ctx_.folderListChanged = true;
}

bool CMultiDD::HandleDrop(const std::vector<std::string>& paths) {
  AddFolders(paths);
  return true;
}

CDmy::CDmy(QWidget* parent)
    : ShellPage(QStringLiteral("dlg143"),
                QStringLiteral("処理したい複数のフォルダをドロップしてください"), parent) {}

CWebList::CWebList(QWidget* parent)
    : ShellPage(QStringLiteral("dlg144"), QStringLiteral("Web検索"), parent) {
  status_ = Child<QLabel>(this);
  status_->setObjectName("webStatus");
  status_->setWordWrap(true);
  layout()->addWidget(status_);
  static_cast<QVBoxLayout*>(layout())->addStretch();
}

void CWebList::ShowText(const QString& text) { status_->setText(text); }

}  // namespace ordano
