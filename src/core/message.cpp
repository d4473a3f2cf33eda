#include "core/message.h"

#include <array>

#include "platform/unicode.h"

// lupdate reads the texts of the table through this marker; the program
// takes them as they are. The core has no Qt, so it defines the marker here.
#define QT_TRANSLATE_NOOP(context, text) text

namespace ordano {
namespace {

struct Source {
  MsgId id;
  const char* text;
};

// In the order of MsgId; checked below.
constexpr std::array kSources{
    Source{MsgId::Plain, "%1"},
    Source{MsgId::CaptionOrdano, QT_TRANSLATE_NOOP("ordano::Message", "おるだの♪")},
    Source{MsgId::CaptionOrdanoLatin, QT_TRANSLATE_NOOP("ordano::Message", "Ordano")},
    Source{MsgId::CaptionOverwrite, QT_TRANSLATE_NOOP("ordano::Message", "上書きしちゃうよ？")},
    Source{MsgId::CaptionWriteError,
           QT_TRANSLATE_NOOP("ordano::Message", "おるだの♪書き出しエラー")},
    Source{MsgId::CaptionCannotEdit, QT_TRANSLATE_NOOP("ordano::Message", "編集できないよ～")},
    Source{MsgId::CaptionWebSearch, QT_TRANSLATE_NOOP("ordano::Message", "Web検索")},
    Source{MsgId::CaptionHexCheck, QT_TRANSLATE_NOOP("ordano::Message", "16進数チェック")},

    Source{MsgId::ReadFailuresHead,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "次のフォルダ・ファイルを読み込めませんでした。"
                             "その内容はリストに含まれていません。")},
    Source{MsgId::ReadFailuresMore, QT_TRANSLATE_NOOP("ordano::Message", "ほか%1件")},
    Source{MsgId::LibraryRecordFailed,
           QT_TRANSLATE_NOOP("ordano::Message", "ライブラリに登録できませんでした。\n%1: %2")},
    Source{MsgId::LibraryNotRecorded,
           QT_TRANSLATE_NOOP("ordano::Message", "次のものはライブラリに登録していません。")},
    Source{
        MsgId::OverwriteQuestion,
        QT_TRANSLATE_NOOP("ordano::Message", "%1\nﾌｧｲﾙはすでに存在しています。上書きしますか？")},
    Source{MsgId::PreviousNotRestored,
           QT_TRANSLATE_NOOP("ordano::Message", "%1\n元のファイルを元に戻せませんでした。")},
    Source{MsgId::ClipboardSaved,
           QT_TRANSLATE_NOOP("ordano::Message", "リスト結果をクリップボードへ保存しました。")},
    Source{MsgId::WriteFailed,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "%1: %2\n"
                             "ファイルの生成または書き出しに失敗しました。\n"
                             "ファイルが他のアプリケーションによって使われていないか確認してくだ"
                             "さい。\n"
                             "または隠し属性や読み込み属性になっていないことも確認してください。")},
    Source{MsgId::HtmlWriteFailed,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "%1: %2\n"
                             "ファイルの生成または書き出しに失敗しました。\n"
                             "まだ作成していないファイルに対し追記処理を行おうとした場合は最初は"
                             "追記なしで出力してください\n"
                             "ファイルが他のアプリケーションによって使われていないか確認してくだ"
                             "さい。\n"
                             "または隠し属性や読み込み属性になっていないことも確認してください。")},
    Source{MsgId::FileEmpty, QT_TRANSLATE_NOOP("ordano::Message", "%1\nﾌｧｲﾙが空です。")},
    Source{MsgId::DateRangeReversed,
           QT_TRANSLATE_NOOP("ordano::Message", "開始日付より終了日付が前になっています。")},
    Source{MsgId::OneFileOnly,
           QT_TRANSLATE_NOOP("ordano::Message", "ファイルは1つだけドロップしてください。")},
    Source{MsgId::NothingListed,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "該当ドライブがないか該当ドライブにファイルがありません。")},
    Source{MsgId::HexDigitsOnly,
           QT_TRANSLATE_NOOP("ordano::Message", "16進コード0～9、a～f以外は使えません。")},
    Source{MsgId::ArchiveListing, QT_TRANSLATE_NOOP("ordano::Message", "%1獲得中:%2")},

    Source{MsgId::EnterValidUrl,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "http:// または https:// で始まる正しいURLを入力してください。")},
    Source{MsgId::NoInternetConnection,
           QT_TRANSLATE_NOOP("ordano::Message", "インターネット接続を初期化できませんでした。")},
    Source{MsgId::CrawlProgress, QT_TRANSLATE_NOOP("ordano::Message",
                                                   "検索中: %1件検出 / 待機%2件\r\n%3\r\n"
                                                   "上限: HTML/CSS %4ページ、URL %5件、深度%6")},
    Source{
        MsgId::CrawlCancelled,
        QT_TRANSLATE_NOOP("ordano::Message", "中止しました。部分結果: %1件（取得ページ: %2件）")},
    Source{MsgId::CrawlLimitReached,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "安全上限に達したため終了しました。結果: %1件（取得ページ: %2件）")},
    Source{MsgId::CrawlFinished, QT_TRANSLATE_NOOP("ordano::Message",
                                                   "検索完了: %1件（取得ページ: %2件）\r\n"
                                                   "基本・高度タブの設定で保存します。")},
    Source{MsgId::StartUrlFailed,
           QT_TRANSLATE_NOOP("ordano::Message", "開始URLの取得に失敗しました（HTTP %1）。")},
    Source{MsgId::ConnectFailed,
           QT_TRANSLATE_NOOP("ordano::Message", "通信に失敗しました (%1)。\r\n%2")},
    Source{MsgId::ConnectFailedCodeOnly,
           QT_TRANSLATE_NOOP("ordano::Message", "通信に失敗しました (%1)。\r\nエラーコード %1")},
    Source{MsgId::ReceiveFailed,
           QT_TRANSLATE_NOOP("ordano::Message", "受信に失敗しました (%1)。\r\n%2")},
    Source{MsgId::ReceiveFailedCodeOnly,
           QT_TRANSLATE_NOOP("ordano::Message", "受信に失敗しました (%1)。\r\nエラーコード %1")},
    Source{MsgId::CrawlOutputToClipboard,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "高度タブのクリップボード保存設定に従って出力します。\r\n%1件")},
    Source{MsgId::CrawlOutputToDialog,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "基本・高度タブの設定に従って保存ダイアログを開きます。\r\n%1件")},
    Source{MsgId::CrawlSaveError,
           QT_TRANSLATE_NOOP("ordano::Message", "保存処理中にエラーが発生しました。")},
    Source{MsgId::CrawlOutputDone,
           QT_TRANSLATE_NOOP("ordano::Message", "出力処理が終わりました。\r\n最終結果: %1件")},
    Source{MsgId::EnterPageUrl,
           QT_TRANSLATE_NOOP("ordano::Message", "リスト化したいページのURLを入力してください。")},
    Source{MsgId::CrawlInternalError,
           QT_TRANSLATE_NOOP("ordano::Message", "Web検索中に内部エラーが発生しました。")},
    Source{
        MsgId::CrawlCancelledSaveQuestion,
        QT_TRANSLATE_NOOP("ordano::Message", "検索を中止しました。ここまでの結果を保存しますか？")},

    Source{MsgId::UpdateOff,
           QT_TRANSLATE_NOOP(
               "ordano::Message",
               "このビルドには更新サーバーが設定されていないため、更新の確認はできません。")},
    Source{MsgId::UpdateUrlRefused,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "ORDANO_UPDATE_URL は https:// で始まるURLにしてください（http:// "
                             "はこのコンピューター内のみ）。")},
    Source{MsgId::UpdateCheckFailed,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "更新の確認に失敗しました。\nネットワーク接続を確認してください。")},
    Source{MsgId::UpToDate, QT_TRANSLATE_NOOP("ordano::Message", "お使いのおるだの♪は最新です。")},
    Source{MsgId::UpdateOfferAtStart,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "アップデートファイルがあります。\n今すぐ更新しますか？\n"
                             "(いいえ = 今回はこのまま起動します)")},
    Source{MsgId::UpdateOfferManual,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "アップデートファイルがあります。\n今すぐ更新しますか？\n\n%1")},
    Source{MsgId::UpdateNowQuestion, QT_TRANSLATE_NOOP("ordano::Message", "今すぐ更新しますか？")},
    Source{MsgId::DownloadFailed,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "ダウンロードに失敗しました。\nネットワーク接続を確認してください。")},
    Source{MsgId::DownloadTimedOut, QT_TRANSLATE_NOOP("ordano::Message",
                                                      "ダウンロードが時間内に終わりませんでした。\n"
                                                      "ネットワーク接続を確認してください。")},
    Source{MsgId::ExtractFailed,
           QT_TRANSLATE_NOOP("ordano::Message", "ダウンロードしたファイルの展開に失敗しました。")},
    Source{MsgId::TempFolderFailed,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "更新用の一時フォルダを作成できませんでした。\n%1: %2")},
    Source{MsgId::TempFolderNotAFolder,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "更新用の一時フォルダを作成できませんでした。\n"
                             "%1: フォルダではありません（ファイルかリンクがあります）")},
    Source{MsgId::TempFolderOtherUser,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "更新用の一時フォルダを作成できませんでした。\n"
                             "%1: 別のユーザーのフォルダです")},

    Source{MsgId::AlreadyRunning,
           QT_TRANSLATE_NOOP("ordano::Message", "システム情報: すでにおるだの♪が起動してます。")},
    Source{MsgId::ProfileInUse,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "使用中のプロファイルは削除できません。\n"
                             "使用していないプロファイルを選択するなどしてください。")},
    Source{MsgId::CountingFiles, QT_TRANSLATE_NOOP("ordano::Message", "ファイル数獲得中... %1")},
    Source{MsgId::Processing, QT_TRANSLATE_NOOP("ordano::Message", "処理中 %1% (%2/%3)")},
    Source{MsgId::SavePrompt,
           QT_TRANSLATE_NOOP("ordano::Message", "おるだの♪出力ファイル保存 [%1]: ")},
    Source{MsgId::WindowsUsage,
           QT_TRANSLATE_NOOP("ordano::Message",
                             "ordano.exe\nUsage:\nordano [/O:出力フォルダ名] [/F:出力ファイル名] "
                             "[/H:htmlで吐く場合付ける] リストするフォルダ\n"
                             "※出力フォルダはすでに存在するフォルダ名を指定してください。"
                             "新規には作りません\n")},
};

constexpr bool InIdOrder() {
  for (std::size_t i = 0; i < kSources.size(); ++i) {
    if (static_cast<std::size_t>(kSources[i].id) != i) return false;
  }
  return true;
}
static_assert(InIdOrder(), "the table lists every id once, in the order of MsgId");
static_assert(kSources.back().id == kLastMsgId, "the last id closes the table");

}  // namespace

const char* MessageSource(MsgId id) {
  const auto i = static_cast<std::size_t>(id);
  return i < kSources.size() ? kSources[i].text : "";
}

std::u16string FillMessage(std::u16string_view pattern, std::span<const std::u16string> args) {
  std::u16string out;
  out.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'%' && i + 1 < pattern.size() && pattern[i + 1] >= u'1' && pattern[i + 1] <= u'9') {
      const auto n = static_cast<std::size_t>(pattern[i + 1] - u'1');
      if (n < args.size()) out += args[n];
      ++i;
      continue;
    }
    out += c;
  }
  return out;
}

std::u16string JapaneseText(const Message& message) {
  return FillMessage(Utf8ToUtf16(MessageSource(message.id)), message.args);
}

std::u16string MessageNumber(long long n) { return Utf8ToUtf16(std::to_string(n)); }

}  // namespace ordano
