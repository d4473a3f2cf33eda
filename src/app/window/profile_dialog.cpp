#include "app/window/profile_dialog.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

#include "app/window/control_set.h"
#include "app/window/profile_name_dialog.h"
#include "app/window/qt_host.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "settings/profile_extras.h"
#include "settings/settings_profiles.h"

namespace ordano {
namespace {

constexpr const char* kInUse = QT_TRANSLATE_NOOP("ordano::ProfileDialog", "使用中");
constexpr char16_t kIdeographicSpace = u'\u3000';
constexpr const char* kCaption = QT_TRANSLATE_NOOP("ordano::ProfileDialog", "おるだの♪");
constexpr const char* kSwitchQuestion =
    QT_TRANSLATE_NOOP("ordano::ProfileDialog",
                      "現在のプロファイルを保存して他のプロファイルに切り替えますか？\n"
                      "(保存せずに切り替える場合はいいえを選択してください)");
constexpr const char* kInUseNotDeleted =
    QT_TRANSLATE_NOOP("ordano::ProfileDialog",
                      "使用中のプロファイルは削除できません。\n"
                      "使用していないプロファイルを選択するなどしてください。");

enum class ProfileControl { Profiles, Create, Close, Defaults, Count };
constexpr ControlNames<ProfileControl> kControlNames = {{
    {ProfileControl::Profiles, "profiles"},
    {ProfileControl::Create, "create"},
    {ProfileControl::Close, "close"},
    {ProfileControl::Defaults, "defaults"},
}};
static_assert(InEnumOrder(kControlNames));

QString Q(std::u16string_view s) { return QString::fromStdU16String(std::u16string(s)); }

}  // namespace

ProfileDialog::ProfileDialog(AppContext& ctx, QtHost& host, bool chooser, QWidget* owner)
    : ToolkitDialog(owner), ctx_(ctx), host_(host), chooser_(chooser) {
  setObjectName("profileDialog");
  ControlSet<ProfileControl> controls(kControlNames);
  setWindowTitle(tr("プロファイル設定"));
  list_ = controls.Add(ProfileControl::Profiles, Child<QTableWidget>(0, 4, this));
  list_->setHorizontalHeaderLabels(
      {tr("プロファイル名"), tr("最終更新"), tr("使用中"), QStringLiteral("No.")});
  // The template's widths fit a time text of its font; wider fonts widen all.
  const double perChar = std::max(
      1.0,
      list_->fontMetrics().horizontalAdvance(QStringLiteral("2000.01.01(Mon) 00:00:00")) / 130.0);
  const int widths[4] = {190, 140, 50, 20};
  for (int c = 0; c < 4; ++c) list_->setColumnWidth(c, qRound(widths[c] * perChar));
  list_->setWordWrap(false);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->verticalHeader()->hide();
  list_->setShowGrid(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Label editing: F2 or a click on the selected row's name.
  list_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->setMinimumSize(qRound(440 * perChar), 220);

  auto* createButton =
      controls.Add(ProfileControl::Create, Child<QPushButton>(tr("新規プロファイルを作成"), this));
  createButton->setAutoDefault(false);
  createButton->setVisible(!chooser_);
  auto* close = controls.Add(ProfileControl::Close, Child<QPushButton>(tr("閉じる"), this));
  close->setAutoDefault(false);
  // The template's "デフォルトに戻す" stays hidden and does nothing.
  auto* defaults =
      controls.Add(ProfileControl::Defaults, Child<QPushButton>(tr("デフォルトに戻す"), this));
  defaults->hide();

  auto* grid = Child<QGridLayout>(this);
  grid->addWidget(list_, 0, 0, 1, 3);
  grid->addWidget(createButton, 1, 0);
  grid->addWidget(close, 1, 2);
  grid->setColumnStretch(1, 1);

  connect(createButton, &QPushButton::clicked, this, &ProfileDialog::Create);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { SwitchRow(row); });
  connect(list_, &QTableWidget::itemChanged, this, &ProfileDialog::OnItemChanged);
  connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const int row = list_->rowAt(pos.y());
    if (row < 0) return;  // not on a row
    list_->selectRow(row);
    RowMenu(row)->exec(list_->viewport()->mapToGlobal(pos));
  });
  Fill();
}

void ProfileDialog::AddRow(int number, const QString& name, const QString& savedAt, bool inUse) {
  const bool was = filling_;
  filling_ = true;
  const int row = list_->rowCount();
  list_->insertRow(row);
  auto cell = [](const QString& text, Qt::Alignment align, bool editable) {
    auto* item = std::make_unique<QTableWidgetItem>(text).release();
    item->setTextAlignment(align | Qt::AlignVCenter);
    if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
  };
  list_->setItem(row, 0, cell(name, Qt::AlignLeft, true));
  list_->setItem(row, 1, cell(savedAt, Qt::AlignRight, false));
  list_->setItem(
      row, 2, cell(inUse ? tr(kInUse) : QString(QChar(kIdeographicSpace)), Qt::AlignLeft, false));
  list_->setItem(row, 3, cell(QString::number(number), Qt::AlignRight, false));
  filling_ = was;
}

void ProfileDialog::Fill() {
  list_->setRowCount(0);
  for (const ProfileRow& p : ListProfiles(ctx_.programFolder, ctx_.startup.ProfileCount)) {
    AddRow(p.number, Q(p.name), Q(p.savedAt), !chooser_ && p.number == ctx_.startup.ProfileNumber);
  }
}

int ProfileDialog::NumberAt(int row) const {
  return list_->item(row, kNumberColumn)->text().toInt();
}

void ProfileDialog::Create() {
  const auto row = CreateProfile(ctx_.programFolder, ctx_.startup, ctx_.settings, ctx_.folderList);
  if (row) WriteProfileExtras(ctx_.programFolder, row->number, ctx_.extras);
  if (row) AddRow(row->number, Q(row->name), Q(row->savedAt), false);
}

void ProfileDialog::SwitchRow(int row) {
  if (row < 0 || row >= list_->rowCount()) return;
  if (list_->item(row, 2)->text() == tr(kInUse)) return;
  if (!chooser_) {
    const MsgAnswer answer =
        host_.MessageBox(tr(kSwitchQuestion).toStdU16String(), tr(kCaption).toStdU16String(),
                         MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgAnswer::Cancel) return;
    if (answer == MsgAnswer::Yes) SaveCurrentProfile(ctx_);
  }
  SwitchCurrentProfile(ctx_, NumberAt(row));
  accept();
}

void ProfileDialog::RenameRow(int row) {
  if (row < 0 || row >= list_->rowCount()) return;
  ProfileNameDialog dialog(list_->item(row, 0)->text(), this);
  host_.Exec(dialog);
  if (dialog.result() != QDialog::Accepted) return;
  const QString name = dialog.Name();
  RenameProfile(ctx_.programFolder, NumberAt(row), name.toStdU16String());
  const QSignalBlocker block(list_);
  list_->item(row, 0)->setText(name);
}

void ProfileDialog::OnItemChanged(QTableWidgetItem* item) {
  // In-place editing ended with Enter or by leaving the cell (Escape ends
  // it without a change).
  if (filling_ || item->column() != 0) return;
  const QString name = item->text().left(static_cast<int>(kMaxProfileNameLength));
  RenameProfile(ctx_.programFolder, NumberAt(item->row()), name.toStdU16String());
  if (name != item->text()) {
    const QSignalBlocker block(list_);
    item->setText(name);
  }
}

void ProfileDialog::DeleteRow(int row) {
  if (row < 0 || row >= list_->rowCount()) return;
  if (list_->item(row, 2)->text() == tr(kInUse)) {
    host_.MessageBox(tr(kInUseNotDeleted).toStdU16String(), tr(kCaption).toStdU16String(),
                     MsgIcon::None, MsgButtons::Ok);
    return;
  }
  const QString name = list_->item(row, 0)->text();
  const std::u16string question =
      tr("プロファイル「%1」を削除します。\nよろしいですか？").arg(name).toStdU16String();
  if (host_.MessageBox(question, tr(kCaption).toStdU16String(), MsgIcon::Question,
                       MsgButtons::YesNo) != MsgAnswer::Yes) {
    return;
  }
  DeleteProfile(ctx_.programFolder, NumberAt(row), name.toStdU16String());
  list_->removeRow(row);
}

std::unique_ptr<QMenu> ProfileDialog::RowMenu(int row) {
  auto menu = std::make_unique<QMenu>(this);
  menu->setObjectName("menu135");
  menu->setFont(MenuFont());
  auto add = [this, &menu, row](const char* name, const char* label,
                                void (ProfileDialog::*fn)(int)) {
    QAction* a = menu->addAction(tr(label));
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, [this, row, fn] { (this->*fn)(row); });
  };
  add("cmdRename", QT_TR_NOOP("プロファイル名を変更する(&P)"), &ProfileDialog::RenameRow);
  add("cmdDelete", QT_TR_NOOP("プロファイルを削除する(&D)"), &ProfileDialog::DeleteRow);
  add("cmdSwitch", QT_TR_NOOP("デフォルト使用するプロファイルに設定する(&S)"),
      &ProfileDialog::SwitchRow);
  return menu;
}

}  // namespace ordano
