#include "run/crawl_output.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "core/app_context.h"
#include "core/format_size.h"
#include "crawler/text_ops.h"
#include "crawler/url.h"
#include "output/json_writer.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

constexpr std::size_t kMaxErrorText = 511;

std::u16string CountText(const char* format, long long n) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, n);
  return Utf8ToUtf16(buf);
}

}  // namespace

void BuildCrawlTable(AppContext& ctx, const std::vector<WebItem>& items) {
  RunState& run = ctx.run;
  const SettingsRecord& s = ctx.options.settings;
  const int n = static_cast<int>(items.size());
  ctx.table.Release();
  run.ResetForRun();
  ctx.table.Create(n);
  run.TableAllocated = true;
  run.ExpectedCount = n;
  run.Capacity = n;
  run.RootFolder.clear();

  const std::u16string& startUrl = items.front().url;
  for (int r = 0; r < n; ++r) {
    const WebItem& item = items[static_cast<std::size_t>(r)];
    const std::u16string name = DisplayName(item.url);
    ctx.table.SetName(r, name);
    ctx.table.SetSortKey(r, CrawlSortKey(item.kind.empty() ? name : item.kind, item.kind,
                                         item.fetched ? item.status : 0));
    if (s.RelativeOutput) {
      const std::u16string rel = RelativeDisplay(startUrl, item.url);
      ctx.table.SetLinkPath(r, rel.empty() ? name : rel);
    } else {
      ctx.table.SetFolder(r, FolderUrl(item.url));
      ctx.table.SetLinkPath(r, item.url);
    }
    ctx.table.SetDepth(r, item.depth + 1);
    if (item.contentLength >= 0) {
      const auto size = static_cast<std::uint64_t>(item.contentLength);
      ctx.table.SetSize(r, size);
      run.TotalSize = SaturatingAdd(run.TotalSize, size);
      ctx.table.SetSizeText(r, SizeFormatOf(s));
    }
    ctx.table.SetTitle(r, item.title);
    run.NameWidth = std::max(run.NameWidth, static_cast<int>(name.size()) + 2);
    run.MaxDepthReached = std::max(run.MaxDepthReached, item.depth + 1);
  }
  run.EntryCount = n;
  run.Pass = 2;
  run.RunFinished = true;
}

OutputResult OutputCrawlResult(AppContext& ctx, const std::vector<WebItem>& items,
                               const CrawlOutputOptions& options) {
  if (items.empty()) return {OutputStatus::Declined, {}};
  RunState& run = ctx.run;
  BeginRunOptions(ctx);
  if (!options.keepCommandLineDestination) {
    run.CmdOutputFolder.clear();
    run.CmdOutputName.clear();
    run.CmdBackColor.clear();
    run.CmdLastPath.clear();
  }
  BuildCrawlTable(ctx, items);

  const auto count = static_cast<long long>(items.size());
  ctx.Host().ShowCrawlText(
      CrawlText::OutputNote,
      CountText(ctx.options.settings.SaveToClipboard
                    ? "高度タブのクリップボード保存設定に従って出力します。\r\n%lld件"
                    : "基本・高度タブの設定に従って保存ダイアログを開きます。\r\n%lld件",
                count));

  OutputResult result{OutputStatus::Failed, {}};
  try {
    result = RunOutput(ctx);
  } catch (const std::exception& e) {
    std::u16string text = Utf8ToUtf16(e.what());
    if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
    text = std::u16string(text16::Trim(text));
    if (text.empty()) text = u"保存処理中にエラーが発生しました。";
    ctx.Host().MessageBox(text, kWebSearchCaption, MsgIcon::Error, MsgButtons::Ok);
    result = {OutputStatus::Failed, {}};
  }

  ctx.table.Release();
  run.TableAllocated = false;
  run.EntryCount = 0;
  ctx.Host().ShowCrawlText(CrawlText::OutputDone,
                           CountText("出力処理が終わりました。\r\n最終結果: %lld件", count));
  return result;
}

}  // namespace ordano
