#include "scan/run_driver.h"

namespace ordano {

RunResult DropRun(AppContext&, std::span<const std::string>) { return {}; }  // TODO(scan)
RunResult CommandLineRun(AppContext&, std::span<const std::string>) { return {}; }  // TODO(scan)

}  // namespace ordano
