// The pages of the main window that have no file of their own yet. Their own
// issues fill in their controls; here each exists, takes the toolkit's look
// and takes drops (passing them on where it has no handler of its own).
#pragma once

#include <QTimer>
#include <string>
#include <vector>

#include "toolkit/custom_dialog.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace ordano {

struct AppContext;
struct SettingsRecord;
class RunHost;

// A page with a caption line, standing for a page still to be filled in.
class ShellPage : public ToolkitPage {
  Q_OBJECT
 public:
  ShellPage(const QString& objectName, const QString& caption, QWidget* parent);
};

// The version text of the title and the information page.
inline constexpr const char* kVersionText = "0.8 Rel1.0 Unicode版";

}  // namespace ordano
