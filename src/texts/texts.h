// SPDX-License-Identifier: MIT
// Every text the core and the command line show, each written once: in
// UTF-8, so that the source reads as Japanese, and handed out as display
// text (code page 932) that was encoded while compiling. A character code
// page 932 lacks stops the build at its text. (The Qt window's own texts
// are QStrings in src/app/window_texts.h.)
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "base/error.h"

namespace pelmora::text {

// Each text's name and its words. A "Suffix" follows a number or a quoted
// path, a "Label" comes before a value, a "Prefix" before a number. Line
// breaks inside a message box are single CR bytes.
// clang-format off
#define PELMORA_TEXTS(X) \
    /* Captions of the message list's columns, and of the CSV list's header; the */                               \
    /* sorted column's caption gets a mark. */                                                                    \
    X(kCaptionSender,                    "差出人")                                                                \
    X(kCaptionSubject,                   "件名")                                                                  \
    X(kCaptionReceived,                  "受信日時")                                                              \
    X(kCaptionSize,                      "サイズ")                                                                \
    X(kCaptionSizeKB,                    "サイズ(KB)")                                                            \
    X(kCaptionFolder,                    "フォルダ名")                                                            \
    X(kCaptionRecipients,                "宛先")                                                                  \
    X(kCaptionSent,                      "送信日時")                                                              \
    X(kSortMarkAscending,                " ＋")                                                                   \
    X(kSortMarkDescending,               " －")                                                                   \
    X(kBadSortKeyPrefix,                 "内部エラー Sortの項目不正:")                                            \
                                                                                                                  \
    /* Fields of an entry whose header lacks them. */                                                             \
    X(kUnknown,                          "（不明）")                                                              \
    X(kNoSubject,                        "（件名なし）")                                                          \
                                                                                                                  \
    /* Loading a folder, and the status bar's counts (after a number). */                                         \
    X(kLoadingTitle,                     "emlファイルを読み込んでいます…")                                        \
    X(kFromLabel,                        "From：")                                                                \
    X(kMessagesSuffix,                   " 通のメッセージ")                                                       \
    X(kSelectedSuffix,                   " 通を選択")                                                             \
    X(kFolderMissingSuffix,              " フォルダはありません。")                                               \
    X(kUnreadableFolderSuffix,           " フォルダを読み取れません。")                                           \
    X(kMoreFoldersPrefix,                "ほか ")                                                                 \
    X(kFoldersSuffix,                    " フォルダ")                                                             \
                                                                                                                  \
    /* A file that cannot be opened or rewritten, after its quoted path. */                                       \
    X(kCouldNotOpenSuffix,               " を開けませんでした。")                                                 \
    X(kOutOfMemorySuffix,                " を読むためのメモリが足りませんでした。")                               \
    X(kCheckNotInUseAdvice,              "使用中でないか確認して下さい。")                                        \
    X(kCheckNotInUseOrAssociationAdvice, "使用中でないか、関連付けが正しいか確認して下さい。")                    \
    X(kOpenInEditorSuffix,               " を")                                                                   \
    X(kEditorLabel,                      "エディタ ")                                                             \
    X(kCouldNotOpenInEditorSuffix,       " で開けませんでした。")                                                 \
    X(kCheckNotInUseOrEditorAdvice,      "使用中でないか、エディタの指定が正しいか確認して下さい。")              \
    X(kCannotStartAssociatedProgram,     "関連付けられたプログラムを起動できません。")                            \
    X(kCouldNotRewriteSuffix,            " を書き換えられませんでした（")                                         \
    X(kReasonEnd,                        "）。")                                                                  \
    X(kOriginalUnchanged,                "元のファイルは変更されていません。")                                    \
    X(kOriginalInTrash,                  "元のファイルはごみ箱にあります")                                        \
    X(kNewContentLabel,                  "新しい内容: ")                                                          \
    X(kChangedWhileRewrittenSuffix,      " は処理中に変更されたため、書き換えませんでした。")                     \
    X(kOriginalUnchangedRunAgain,        "元のファイルは変更されていません。もう一度実行して下さい。")            \
    X(kLinkNotRewrittenSuffix,           " はシンボリックリンクのため、書き換えませんでした。")                   \
    X(kRewriteTheLinkTargetAdvice,       "リンク先のファイルで実行して下さい。")                                  \
                                                                                                                  \
    /* Duplicate messages. */                                                                                     \
    X(kNoDuplicates,                     "重複するメッセージはありません。")                                      \
    X(kDuplicatesSuffix,                 " 通のメッセージが重複しています。")                                     \
    X(kDuplicateCaptionSuffix,           " の重複メッセージ")                                                     \
    X(kDupGroupsSuffix,                  " 組、")                                                                 \
    X(kDupCopiesSuffix,                  " 通の重複（")                                                           \
    X(kDupSelectedSuffix,                " 通を選択）")                                                           \
                                                                                                                  \
    /* Search: the progress titles, the status bar, and the question about a */                                   \
    /* message it cannot search (a label before each of its fields). */                                           \
    X(kSearchingTitle,                   "メッセージファイルを検索しています…")                                   \
    X(kCheckingTitle,                    "条件に合うかチェックしています…")                                       \
    X(kNarrowingTitle,                   "絞込み検索中です…")                                                     \
    X(kNotSearched,                      "0 通のメッセージ、未検索")                                              \
    X(kNarrowedSuffix,                   " 通のメッセージ、絞込み検索")                                           \
    X(kSkippedSuffix,                    " 個のメッセージをスキップして検索しました。")                           \
    X(kSkipQuestion,                     "検索できないメッセージがあります。スキップして続けますか？")            \
    X(kSkipFileLabel,                    " ファイル　：")                                                         \
    X(kSkipFromLabel,                    " 差出人　　：")                                                         \
    X(kSkipSubjectLabel,                 " 件名　　 ：")                                                          \
    X(kSkipReceivedLabel,                " 受信日時　：")                                                         \
    X(kSkipItemLabel,                    " 未サポート：")                                                         \
                                                                                                                  \
    /* Moving messages to the trash. */                                                                           \
    X(kTrashQuestionSuffix,              " 個の項目をごみ箱に移動しますか？")                                     \
    X(kCouldNotTrashSuffix,              " をごみ箱に移動できませんでした（")                                     \
    X(kReasonEndInList,                  "）")                                                                    \
    X(kTrashFailuresHeading,             "次のファイルをごみ箱に移動できませんでした。")                          \
    X(kChangedNotTrashedSuffix,          " は読み込んだ後に変更されたため、ごみ箱に移動しませんでした")           \
    X(kChangedNotPutBackSuffix,          " は読み込んだ後に変更されましたが、元に戻せませんでした（現在の場所: ") \
    X(kTrashingTitle,                    "ごみ箱に移動しています…")                                               \
                                                                                                                  \
    /* The steps of moving a file to the trash or back, named when one fails. */                                  \
    X(kTrashStepCreateTrashFolder,       "ごみ箱フォルダの作成")                                                  \
    X(kTrashStepCreateFilesFolder,       "ごみ箱の files フォルダの作成")                                         \
    X(kTrashStepCreateInfoFolder,        "ごみ箱の info フォルダの作成")                                          \
    X(kTrashStepChooseName,              "ファイル名の決定")                                                      \
    X(kTrashStepWriteTrashInfo,          ".trashinfo ファイルの書き込み")                                         \
    X(kTrashStepMoveToTrash,             "ごみ箱への移動")                                                        \
    X(kTrashStepFindFreeName,            "ごみ箱の空き名の検索")                                                  \
    X(kTrashStepCreateVolumeTrash,       "ボリュームのごみ箱フォルダの作成")                                      \
    X(kTrashStepUseVolumeTrash,          "ボリュームのごみ箱フォルダの使用")                                      \
    X(kTrashStepRemoveCopiedOriginal,    "ごみ箱へのコピー後の元ファイルの削除")                                  \
    X(kTrashStepMoveBack,                "ごみ箱からの移動")                                                      \
    X(kTrashStepCopyBack,                "ごみ箱からのコピー")                                                    \
    X(kTrashStepFindFile,                "ファイルの検索")                                                        \
    X(kTrashStepCreateHomeTrash,         "ホームのごみ箱の作成")                                                  \
    X(kFailedAtReason,                   "に失敗: ")                                                              \
                                                                                                                  \
    /* Removing attachments. */                                                                                   \
    X(kDeleteAttachmentsQuestion,        "選択したメッセージの添付ファイルを削除しますか？")                      \
    X(kDeletingAttachmentsTitle,         "添付ファイルを削除しています…")                                         \
    X(kAttachmentsDeletedSuffix,         " 通のメッセージの添付ファイルを削除しました。")                         \
    X(kNoAttachments,                    "添付ファイルはありませんでした。")                                      \
    X(kAttachmentsNotDeletedSuffix,      " 通のメッセージの添付ファイルを削除できませんでした。")                 \
    X(kAttachmentsPartlyDeletedSuffix,   " 通のメッセージの添付ファイルを削除しました（")                         \
    X(kNotDeletedCountSuffix,            " 通は削除できませんでした）。")                                         \
                                                                                                                  \
    /* The CSV list of messages. */                                                                               \
    X(kCreateListQuestion,               "メッセージのリストを作成します。\r\r実行しますか？")                    \
    X(kSaveListTitle,                    "出力ファイルの指定")                                                    \
    X(kCsvFilesFilter,                   "CSVファイル")                                                           \
    X(kAllFilesFilter,                   "全てのファイル")                                                        \
    X(kListedSuffix,                     " 通のメッセージをリストしました。")                                     \
    X(kOpenQuestionSuffix,               " を開きますか？")                                                       \
    X(kIsAFolderSuffix,                  " はフォルダーです。")                                                   \
    X(kReplaceLinkQuestionSuffix,        " はシンボリックリンクです。リンク先には書き込まず、"                    \
                                         "リンクを一覧のファイルで置き換えますか？")                              \
    X(kReplaceFileQuestionSuffix,        " は既に存在します。一覧のファイルで置き換えますか？")                   \
    X(kLinkReplacedSuffix,               " のシンボリックリンクを置き換えました（リンク先は変更していません）。") \
                                                                                                                  \
    /* The settings file. */                                                                                      \
    X(kSettingsNotAFileSuffix,           " は通常のファイルではありません。")                                     \
    X(kSettingsTooLargeSuffix,           " は設定ファイルとしては大きすぎます。")                                 \
    X(kSettingsUnreadableSuffix,         " を読み込めません。")                                                   \
    X(kStartingWithDefaults,             "既定の設定で起動します。")                                              \
    X(kCannotWriteSuffix,                " に書き込めません")                                                     \
                                                                                                                  \
    /* The address books of the desktop: their sources, the count after a */                                      \
    /* number, and why one was skipped (between the brackets). */                                                 \
    X(kBookSourceContacts,               "連絡先フォルダ")                                                        \
    X(kBookSourceThunderbird,            "Thunderbird")                                                           \
    X(kBookSourceThunderbirdSnap,        "Thunderbird Snap")                                                      \
    X(kBookSourceThunderbirdFlatpak,     "Thunderbird Flatpak")                                                   \
    X(kBookSourceEvolution,              "Evolution")                                                             \
    X(kBookSourceEvolutionCache,         "Evolution（キャッシュ）")                                               \
    X(kBookSourceVCardFolder,            "vCard フォルダ")                                                        \
    X(kBookSourceExtra,                  "追加のアドレス帳")                                                      \
    X(kBookCollected,                    "収集したアドレス")                                                      \
    X(kAddressesSuffix,                  " 件")                                                                   \
    X(kBookLabel,                        "アドレス帳 ")                                                           \
    X(kBookSkippedSuffix,                " を読み飛ばしました（")                                                 \
    X(kBookSkipped,                      "読み飛ばし")                                                            \
    X(kBookReasonOpen,                   "（")                                                                    \
    X(kBookLocked,                       "ほかのプログラムがロックしています")                                    \
    X(kBookCorrupt,                      "壊れています")                                                          \
    X(kBookUnknownSchema,                "知らない形式です")                                                      \
    X(kBookUnreadable,                   "読み込めません")                                                        \
    X(kBookTooLarge,                     "大きすぎます")                                                          \
                                                                                                                  \
    /* Saving attachments. */                                                                                     \
    X(kCreateFolderQuestionSuffix,       " フォルダはありません。作成しますか？")                                 \
    X(kSavingAttachmentsTitle,           "添付ファイルを保存しています…")                                         \
    X(kAttachmentsSavedSuffix,           " 個の添付ファイルを保存しました。")                                     \
    X(kCouldNotSaveSuffix,               " を保存できませんでした（")                                             \
    X(kChangedSinceRead,                 "メッセージが読み込み後に変更されました")

// clang-format on

#define PELMORA_DECLARE_TEXT(name, utf8) extern const std::string_view name;
PELMORA_TEXTS(PELMORA_DECLARE_TEXT)
#undef PELMORA_DECLARE_TEXT

inline constexpr std::string_view kLineBreak = "\r";
inline constexpr std::string_view kParagraph = "\r\r";

// Messages made of texts and values; a path is native bytes (UTF-8), shown
// with "?" for what code page 932 lacks, and a reason is the system's text
// in UTF-8. Each gives the whole message in code page 932.

// "<path>", as every message names a file.
std::string QuotedPath(std::string_view path);
// The caption of the list's column with the given key ("差出人" …); empty
// for any other key.

// "<path>" を開けませんでした。 and, a paragraph below, the advice.
std::string CouldNotOpen(std::string_view path);
std::string CouldNotOpenWithAssociation(std::string_view path);
std::string CouldNotOpenInEditor(std::string_view path, std::string_view editor);
// "<path>" を読むためのメモリが足りませんでした。
std::string OutOfMemoryReading(std::string_view path);
// "<folder>" フォルダはありません。 / フォルダを読み取れません。
std::string FolderMissing(std::string_view folder);
std::string UnreadableFolder(std::string_view folder);
// "<folder>" フォルダはありません。作成しますか？
std::string CreateFolderQuestion(std::string_view folder);
// "<count> 通のメッセージをリストしました。" and whether to open the list.
std::string ListedOpenQuestion(std::string_view count, std::string_view path);
// The CSV list's target on the command line.
std::string IsAFolder(std::string_view path);
std::string ReplaceLinkQuestion(std::string_view path);
std::string ReplaceFileQuestion(std::string_view path);
std::string LinkReplaced(std::string_view path);
// "<path>" をごみ箱に移動できませんでした（<step>に失敗: <reason>）, or for
// an error of kind Changed that the file changed after it was read: the
// line that reports a file the trash would not take.
std::string TrashFailureText(const Error& error);
// A settings file that was not read (problem is one of the kSettings...
// suffixes), or not written.
std::string SettingsNotRead(std::string_view path, std::string_view problem);
std::string CannotWrite(std::string_view path);

// Every text by name, with its words, for the test that reads them back.
struct NamedText {
    std::string_view name;
    std::string_view utf8;
    std::string_view cp932;
};
std::span<const NamedText> AllTexts();

}  // namespace pelmora::text
