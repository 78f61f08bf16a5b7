// SPDX-License-Identifier: MIT
// Every caption, hint and message the window shows, each written once, as
// the core's texts are in src/texts/texts.h. The window converts none of
// these to display bytes except where a port asks for them. Object names and
// settings keys are not texts: they stay where they are used.
#pragma once

#include <QString>

namespace pelmora::app::window_text {

// Menus, shared by both windows.
inline const QString kFileMenu = QStringLiteral(u"ファイル(&F)");
inline const QString kEditMenu = QStringLiteral(u"編集(&E)");
inline const QString kViewMenu = QStringLiteral(u"表示(&V)");
inline const QString kToolsMenu = QStringLiteral(u"ツール(&T)");
inline const QString kHelpMenu = QStringLiteral(u"ヘルプ(&H)");

// The main window's own commands: menu caption, then the hint of its tool button where it has one.
inline const QString kMainWindowTitle =
    QStringLiteral(u"Pelmora - emlファイルの一覧表示、重複チェック削除、添付ファイル削除");
inline const QString kOpenFolderCaption = QStringLiteral(u"フォルダを開く(&F)...");
inline const QString kOpenFolderHint = QStringLiteral(u"フォルダを開く");
inline const QString kExitCaption = QStringLiteral(u"終了(&X)");
inline const QString kMessageFindCaption = QStringLiteral(u"メッセージ検索(&F)");
inline const QString kMessageFindHint = QStringLiteral(u"メッセージ検索");
inline const QString kShowFolderTreeCaption = QStringLiteral(u"フォルダツリー(&F)");
inline const QString kIncludeSubfoldersCaption = QStringLiteral(u"サブフォルダを含める(&S)");
inline const QString kRefreshCaption = QStringLiteral(u"最新の情報に更新(&R)");
inline const QString kOptionCaption = QStringLiteral(u"オプション(&O)...");
inline const QString kShowHintCaption = QStringLiteral(u"ヒントを表示する(&H)");
inline const QString kAboutCaption = QStringLiteral(u"このプログラムについて(&A)");
inline const QString kSelAllCaption = QStringLiteral(u"すべて選択(&A)");

// The folder caption strip, the folder tree's menu and what the main window says about folders.
inline const QString kCaptionStripHint =
    QStringLiteral(u"ここをクリック、又はBackspaceキーでフォルダをツリー表示できます。");
inline const QString kWithSubfoldersSuffix = QStringLiteral(u"（サブフォルダを含む）");
inline const QString kNoFolderHint =
    QStringLiteral(u"フォルダを開いて下さい（Backspace キー、またはツリーから選択）");
inline const QString kChooseMailFolder = QStringLiteral(u"emlファイルを保存したフォルダを選択して下さい。");
inline const QString kTreeMessageFindCaption = QStringLiteral(u"メッセージ検索(&F)...");
inline const QString kTreeOpenInFileManagerCaption = QStringLiteral(u"ファイル マネージャーで開く(&O)");
inline const QString kTreeCopyPathCaption = QStringLiteral(u"パスをコピー(&C)");
inline const QString kCannotOpenQuotedSuffix = QStringLiteral(u"\" を開けませんでした。");
inline const QString kCheckAssociationAdvice = QStringLiteral(u"関連付けが正しいか確認して下さい。");
inline const QString kOneFolderArgument =
    QStringLiteral(u"パラメータにはフォルダ名を一つだけ指定して下さい。");
inline const QString kFolderArgument = QStringLiteral(u"パラメータにはフォルダ名を指定して下さい。");

// The list's commands, in both windows: caption, then hint.
inline const QString kMessageOpenCaption = QStringLiteral(u"メッセージを開く(&M)");
inline const QString kMessageOpenHint = QStringLiteral(u"メッセージを開く");
inline const QString kMessageEditCaption = QStringLiteral(u"エディタで開く(&E)");
inline const QString kMessageEditHint = QStringLiteral(u"エディタで開く");
inline const QString kMessageEditHintNoEditor = QStringLiteral(
    u"エディタで開く（エディタが見つかりません。ツール → オプションでエディタを指定して下さい）");
inline const QString kMessageDeleteCaption = QStringLiteral(u"削除(&D)");
inline const QString kMessageDeleteHint = QStringLiteral(u"削除");
inline const QString kAttachDeleteCaption = QStringLiteral(u"添付ファイルの削除(&L)");
inline const QString kAttachDeleteHint = QStringLiteral(u"添付ファイルの削除");
inline const QString kDupCheckCaption = QStringLiteral(u"重複メッセージ(&K)");
inline const QString kListMessageCaption = QStringLiteral(u"リストの作成(&L)...");
inline const QString kAttachSaveCaption = QStringLiteral(u"添付ファイルの保存(&S)...");
inline const QString kAttachSaveHint = QStringLiteral(u"選択したメッセージの添付ファイルをすべて保存");
inline const QString kPreviewCaption = QStringLiteral(u"プレビュー(&P)");
inline const QString kChooseAttachmentFolder =
    QStringLiteral(u"添付ファイルを保存するフォルダを選んで下さい");

// The duplicate marks' hints in the list (%1 to %3: count, row, sender and subject).
inline const QString kDuplicateKeptTip = QStringLiteral(u"残す（重複 %1 通のうちの 1 通）");
inline const QString kDuplicateKeeperHiddenTip = QStringLiteral(u"重複（残すものは一覧にありません）");
inline const QString kDuplicateOfRowTip = QStringLiteral(u"%1 行目（残す）の重複\n%2\n%3");

// The preview pane.
inline const QString kPreviewFromLabel = QStringLiteral(u"差出人:");
inline const QString kPreviewToLabel = QStringLiteral(u"宛先:");
inline const QString kPreviewCcLabel = QStringLiteral(u"Cc:");
inline const QString kPreviewSubjectLabel = QStringLiteral(u"件名:");
inline const QString kPreviewDateLabel = QStringLiteral(u"日付:");
inline const QString kPreviewShowSource = QStringLiteral(u"ソースを表示");
inline const QString kPreviewSaveButton = QStringLiteral(u"保存...");
inline const QString kPreviewSaveAllButton = QStringLiteral(u"すべて保存...");
inline const QString kPreviewManySelected = QStringLiteral(u"%1 件のメッセージが選択されています。");
inline const QString kPreviewLoading = QStringLiteral(u"読み込んでいます…");
inline const QString kPreviewUnreadable = QStringLiteral(u"%1 を読めませんでした（%2）。");
inline const QString kEllipsis = QStringLiteral(u"…");
inline const QString kPreviewFileTruncated =
    QStringLiteral(u"ファイルが大きいため、先頭だけを表示しています。");
inline const QString kPreviewUnknownCharset =
    QStringLiteral(u"文字コード %1 は不明なため、Latin-1 として表示しています。");
inline const QString kPreviewBodyTruncated = QStringLiteral(u"本文が長いため、先頭だけを表示しています。");
inline const QString kPreviewRemoteBlocked = QStringLiteral(u"外部の画像などは読み込んでいません。");
inline const QString kAttachmentOpen = QStringLiteral(u"開く(&O)");
inline const QString kAttachmentSave = QStringLiteral(u"保存(&S)...");
inline const QString kAttachmentSaveAll = QStringLiteral(u"すべて保存(&A)...");
inline const QString kAttachmentMayRunPrompt =
    QStringLiteral(u"「%1」はプログラムとして実行される種類のファイルかもしれません。開きますか？");
inline const QString kAttachmentCannotOpen =
    QStringLiteral(u"%1 を開けませんでした。関連付けられたプログラムを起動できません。");
inline const QString kAttachmentSaveTitle = QStringLiteral(u"添付ファイルの保存");

// The search window.
inline const QString kFindWindowTitle = QStringLiteral(u"Pelmora - メッセージの検索");
inline const QString kFindMenuBarTitle = QStringLiteral(u"Pelmora - 検索メニュー");
inline const QString kFindToolBarTitle = QStringLiteral(u"Pelmora - 検索ツールバー");
inline const QString kFindSelAllCaption = QStringLiteral(u"すべてを選択(&A)");
inline const QString kSearchLocation = QStringLiteral(u"探す場所：");
inline const QString kBrowseFolder = QStringLiteral(u"参照...");
inline const QString kIncludeSubfoldersOption = QStringLiteral(u"サブフォルダも含める");
inline const QString kFieldFrom = QStringLiteral(u"差出人：");
inline const QString kFieldTo = QStringLiteral(u"宛先：");
inline const QString kFieldSubject = QStringLiteral(u"件名：");
inline const QString kFieldBody = QStringLiteral(u"メッセージ：");
inline const QString kFieldHintTerms =
    QStringLiteral(u"4つの入力フィールドには、それぞれ複数の文字列を指定できます。");
inline const QString kFieldHintAnd =
    QStringLiteral(u"複数の文字列を並べると、全てを含むメッセージを検索できます。（AND検索）");
inline const QString kFieldHintOr =
    QStringLiteral(u"A OR Bで、いずれかの文字列を含むメッセージを検索できます。（OR検索）");
inline const QString kFieldHintExclude =
    QStringLiteral(u"-Aで除外する文字列を指定できます。また、\"A B\"で空白も含めることができます。");
inline const QString kDateFrom = QStringLiteral(u"以降");
inline const QString kDateTo = QStringLiteral(u"以前");
inline const QString kAttachmentsOnlyOption = QStringLiteral(u"添付ファイル付きメッセージ");
inline const QString kStartSearch = QStringLiteral(u"検索開始");
inline const QString kStartSearchHint = QStringLiteral(u"検索結果をクリアして検索を始めます。");
inline const QString kNarrowSearch = QStringLiteral(u"絞込み検索");
inline const QString kNarrowSearchHint = QStringLiteral(u"検索結果を絞り込みます。（AND検索）");
inline const QString kClearConditions = QStringLiteral(u"条件クリア");
inline const QString kClearConditionsHint = QStringLiteral(u"検索条件をクリアします。");
inline const QString kClearHistories = QStringLiteral(u"履歴クリア");
inline const QString kClearHistoriesHint = QStringLiteral(u"入力フィールドの履歴をクリアします。");
inline const QString kFindFileOpenCaption = QStringLiteral(u"終了して含まれているフォルダを開く(&P)");
inline const QString kFindFileOpenHint = QStringLiteral(u"終了して含まれているフォルダを開く");
inline const QString kConfirmTitle = QStringLiteral(u"確認");
inline const QString kClearHistoriesPrompt = QStringLiteral(u"検索文字列の履歴をクリアしますか？");

// The options dialog.
inline const QString kOptionsTitle = QStringLiteral(u"Pelmora - オプション");
inline const QString kDisplayNamesOption =
    QStringLiteral(u"メールアドレスをアドレス帳の表示名に変換して表示する");
inline const QString kBooksCaption = QStringLiteral(u"読み込むアドレス帳：");
inline const QString kExtraBookCaption =
    QStringLiteral(u"追加のアドレス帳（vCard のフォルダ・ファイル、SQLite）：");
inline const QString kExtraBookBrowse = QStringLiteral(u"参照");
inline const QString kChooseFile = QStringLiteral(u"ファイルを選ぶ…");
inline const QString kChooseFolder = QStringLiteral(u"フォルダを選ぶ…");
inline const QString kNoBooksFound = QStringLiteral(u"アドレス帳は見つかりませんでした");
inline const QString kExtraBookDialogTitle = QStringLiteral(u"追加のアドレス帳の指定");
inline const QString kBookFilter = QStringLiteral(u"アドレス帳 (*.vcf *.sqlite *.db)");
inline const QString kEditorCaption = QStringLiteral(u"メッセージを開くエディタ：");
inline const QString kEditorAdvice = QStringLiteral(u"（JISコードをサポートしているものが望ましいです。）");
inline const QString kEditorBrowse = QStringLiteral(u"…");
inline const QString kEditorDialogTitle = QStringLiteral(u"メールを開くエディタの指定");
inline const QString kProgramFilter = QStringLiteral(u"プログラム (*)");
inline const QString kAllFilesFilter = QStringLiteral(u"全てのファイル (*)");
inline const QString kDupKeepCaption = QStringLiteral(u"重複メッセージで残すもの：");
inline const QString kDupKeepOldest = QStringLiteral(u"受信日時が最も古いもの");
inline const QString kDupKeepNewest = QStringLiteral(u"最も新しいもの");
inline const QString kDupKeepLargest = QStringLiteral(u"サイズが最も大きいもの");
inline const QString kDupKeepUnderFolder = QStringLiteral(u"次のフォルダ内のもの");
inline const QString kKeepRecordOption = QStringLiteral(u"削除した添付ファイルの記録を残す");

// The progress dialog.
inline const QString kProgressTitle = QStringLiteral(u"Pelmora - 進行状況");
inline const QString kProgressLoading = QStringLiteral(u"emlファイルを読み込んでいます…");
inline const QString kProgressFrom = QStringLiteral(u"from：");
inline const QString kProgressTo = QStringLiteral(u"to：");
inline const QString kAbort = QStringLiteral(u"中断");

// The about dialog.
inline const QString kAboutTitle = QStringLiteral(u"Pelmora - このプログラムについて");
inline const QString kAboutPurpose =
    QStringLiteral(u"emlファイルの一覧表示、重複チェック削除、\n添付ファイル削除");
inline const QString kCopyright = QStringLiteral(u"Copyright © 2026 BRANTOLE. MIT License.");
inline const QString kCannotStartAssociatedProgram =
    QStringLiteral(u"関連付けられたプログラムを起動できません。");

// Message box buttons.
inline const QString kOverwriteQuotedSuffix = QStringLiteral(u"\" は既に存在します。\n上書きしますか？");
inline const QString kOk = QStringLiteral(u"OK");
inline const QString kCancel = QStringLiteral(u"キャンセル");
inline const QString kYes = QStringLiteral(u"はい(&Y)");
inline const QString kNo = QStringLiteral(u"いいえ(&N)");
inline const QString kYesToAll = QStringLiteral(u"すべてはい(&A)");

}  // namespace pelmora::app::window_text
