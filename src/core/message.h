// The texts the layers below the window send to the user, as ids with
// arguments. Each id has its Japanese text (the program's source language);
// a host turns a message into text in its own language, so the core needs no
// translation machinery of its own.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ordano {

enum class MsgId : std::uint16_t {
  Plain,  // "%1": a text that is shown as it is (a path, a reason from below)

  // Captions.
  CaptionOrdano,
  CaptionOrdanoLatin,
  CaptionOverwrite,
  CaptionWriteError,
  CaptionCannotEdit,
  CaptionWebSearch,
  CaptionHexCheck,

  // A run and its output.
  ReadFailuresHead,
  ReadFailuresMore,
  LibraryRecordFailed,
  LibraryNotRecorded,
  OverwriteQuestion,
  PreviousNotRestored,
  ClipboardSaved,
  WriteFailed,
  HtmlWriteFailed,
  FileEmpty,
  DateRangeReversed,
  OneFileOnly,
  NothingListed,
  HexDigitsOnly,
  ArchiveListing,

  // The web search.
  EnterValidUrl,
  NoInternetConnection,
  CrawlProgress,
  CrawlCancelled,
  CrawlLimitReached,
  CrawlFinished,
  StartUrlFailed,
  ConnectFailed,
  ConnectFailedCodeOnly,
  ReceiveFailed,
  ReceiveFailedCodeOnly,
  CrawlOutputToClipboard,
  CrawlOutputToDialog,
  CrawlSaveError,
  CrawlOutputDone,
  EnterPageUrl,
  CrawlInternalError,
  CrawlCancelledSaveQuestion,

  // The update.
  UpdateOff,
  UpdateUrlRefused,
  UpdateCheckFailed,
  UpToDate,
  UpdateOfferAtStart,
  UpdateOfferManual,
  UpdateNowQuestion,
  DownloadFailed,
  DownloadTimedOut,
  ExtractFailed,
  TempFolderFailed,
  TempFolderNotAFolder,
  TempFolderOtherUser,

  // The command line's own.
  AlreadyRunning,
  ProfileInUse,
  CountingFiles,
  Processing,
  SavePrompt,
  WindowsUsage,
};

// The last id: every id from MsgId::Plain to it has a text.
inline constexpr MsgId kLastMsgId = MsgId::WindowsUsage;

// A message: its id and the texts that fill its %1, %2, ….
struct Message {
  MsgId id = MsgId::Plain;
  std::vector<std::u16string> args;

  Message() = default;
  // An id alone is a message without arguments.
  Message(MsgId messageId) : id(messageId) {}
  Message(MsgId messageId, std::initializer_list<std::u16string> arguments)
      : id(messageId), args(arguments) {}
  bool empty() const { return id == MsgId::Plain && (args.empty() || args.front().empty()); }
};

// The context the translations of these texts are filed under.
inline constexpr char kMessageContext[] = "ordano::Message";

// The Japanese text of an id, UTF-8, with %1… where its arguments go.
const char* MessageSource(MsgId id);

// `pattern` with each %1…%9 replaced by its argument in one pass (an
// argument that itself holds "%1" stays as it is); other % signs are kept.
std::u16string FillMessage(std::u16string_view pattern, std::span<const std::u16string> args);

// The message in Japanese.
std::u16string JapaneseText(const Message& message);

// A number as an argument.
std::u16string MessageNumber(long long n);

}  // namespace ordano
