// The time text of a catalogue column, appended without allocating: the
// writers print two per row, a million rows at a time.
#pragma once

#include <string>

#include "platform/time_text.h"

namespace ordano {

// Appends exactly what TimeText(t) gives ("2024.03.05(Tue) 14:07:09"); nothing for 0.
void AppendTimeText(std::u16string& out, PackedTime t);

}  // namespace ordano
