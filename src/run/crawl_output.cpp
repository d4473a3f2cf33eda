#include "run/crawl_output.h"

#include <algorithm>
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
      ctx.Host().Text({ctx.options.settings.SaveToClipboard ? MsgId::CrawlOutputToClipboard
                                                            : MsgId::CrawlOutputToDialog,
                       {MessageNumber(count)}}));

  OutputResult result{OutputStatus::Failed, {}};
  try {
    result = RunOutput(ctx);
  } catch (const std::exception& e) {
    std::u16string text = Utf8ToUtf16(e.what());
    if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
    text = std::u16string(text16::Trim(text));
    const Message shown =
        text.empty() ? Message(MsgId::CrawlSaveError) : Message{MsgId::Plain, {std::move(text)}};
    ctx.Host().ShowMessage(shown, MsgId::CaptionWebSearch, MsgIcon::Error, MsgButtons::Ok);
    result = {OutputStatus::Failed, {}};
  }

  ctx.table.Release();
  run.TableAllocated = false;
  run.EntryCount = 0;
  ctx.Host().ShowCrawlText(CrawlText::OutputDone,
                           ctx.Host().Text({MsgId::CrawlOutputDone, {MessageNumber(count)}}));
  return result;
}

}  // namespace ordano
