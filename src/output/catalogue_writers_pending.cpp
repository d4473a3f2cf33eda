// CSV and HTML output are not available yet: say so instead of writing
// something that is not the catalogue. Nothing is opened or created.
#include "output/catalogue_writers.h"

#include "scan/app_context.h"

namespace ordano {
namespace {

bool NotAvailable(AppContext& ctx) {
  ctx.host->MessageBox(u"この形式の出力はまだ対応していません。", u"おるだの♪書き出しエラー",
                       MsgIcon::Error, MsgButtons::Ok);
  return false;
}

}  // namespace

bool WriteCsvCatalogue(AppContext& ctx, CFileCus&, const std::string&) { return NotAvailable(ctx); }

bool WriteHtmlCatalogue(AppContext& ctx, CFileCus&, const std::string&) {
  return NotAvailable(ctx);
}

}  // namespace ordano
