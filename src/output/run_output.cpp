#include "output/run_output.h"

namespace ordano {

OutputResult RunOutput(AppContext&) { return {}; }  // TODO(output)

}  // namespace ordano
