// ordano_whole_drive ROOT OUT: a whole-drive run of ROOT (a mount point) with
// the catalogue written to OUT, as the whole-drive page starts it.
#include <cstdio>
#include <memory>

#include "bench_host.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "run/drive_runs.h"

namespace {

// Answers the save dialog with the given file.
class SaveToHost : public ordano::BenchHost {
 public:
  explicit SaveToHost(std::string out) : BenchHost(true), out_(std::move(out)) {}
  std::optional<ordano::SaveDialogState> SaveDialog(const ordano::SaveDialogState& p) override {
    ordano::SaveDialogState s = p;
    s.fileName = out_;
    return s;
  }

 private:
  std::string out_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s ROOT OUT\n", argv[0]);
    return 2;
  }
  auto ctx = std::make_unique<ordano::AppContext>();
  ordano::ResetToDefaults(*ctx);
  SaveToHost host(argv[2]);
  ctx->SetHost(host);
  ctx->settings.ScanToDepth = 1;
  const ordano::RunResult r = ordano::WholeDriveRun(*ctx, argv[1]);
  return r.outcome == ordano::RunOutcome::Written ? 0 : 1;
}
