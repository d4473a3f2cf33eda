#include "app/window/pages.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "core/app_context.h"
#include "platform/unicode.h"

namespace ordano {

ShellPage::ShellPage(const QString& objectName, const QString& caption, QWidget* parent)
    : ToolkitPage(parent) {
  setObjectName(objectName);
  auto* rows = Child<QVBoxLayout>(this);
  auto* label = Child<QLabel>(caption, this);
  label->setWordWrap(true);
  rows->addWidget(label);
}

}  // namespace ordano
