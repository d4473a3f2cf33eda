#include "scan/archive_list.h"

#include "scan/app_context.h"

namespace ordano {

// No archive reader is built in yet: every file behaves as "no archive library".
int ListArchive(AppContext& ctx, const std::string&, std::u16string_view) {
  ctx.run.ArchiveStatusText.clear();
  return 0;
}

}  // namespace ordano
