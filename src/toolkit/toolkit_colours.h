// The toolkit's colour table: plain mode and acrylic mode.
#pragma once

#include <QColor>

namespace ordano {

inline const QColor kDialogBackColor{200, 235, 235};   // dialog, button and static background
inline const QColor kEditBackColor{255, 222, 210};     // edits, list boxes, combo edit parts
inline const QColor kListBackColor{173, 216, 230};     // list views and trees
inline const QColor kAcrylicBackColor{248, 248, 248};  // dialog background in acrylic mode
// A translucent window stands in for the composition effects of other systems.
inline constexpr double kAcrylicOpacity = 245.0 / 255.0;

}  // namespace ordano
