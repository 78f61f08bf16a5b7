// SPDX-License-Identifier: MIT
// The catalogue's user-visible texts, already in code page 932: the source
// files are UTF-8, so a Japanese literal would otherwise reach the screen in
// the wrong encoding. The comment beside each gives the text it spells.
#pragma once

#include <string_view>

namespace pelmora::texts {

// Kept unformatted: the split literals stay readable beside their comments.
// clang-format off

inline constexpr std::string_view kCaptionSender = "\x8D\xB7\x8Fo\x90l";                         // 差出人
inline constexpr std::string_view kCaptionSubject = "\x8C\x8F\x96\xBC";                          // 件名
inline constexpr std::string_view kCaptionReceived = "\x8E\xF3\x90M\x93\xFA\x8E\x9E";            // 受信日時
inline constexpr std::string_view kCaptionSize = "\x83T\x83" "C\x83Y";                           // サイズ
inline constexpr std::string_view kCaptionFolder = "\x83t\x83H\x83\x8B\x83_\x96\xBC";            // フォルダ名
inline constexpr std::string_view kCaptionRecipients = "\x88\xB6\x90\xE6";                       // 宛先
inline constexpr std::string_view kCaptionSent = "\x91\x97\x90M\x93\xFA\x8E\x9E";                // 送信日時
inline constexpr std::string_view kMarkAscending = " \x81{";                                     // " ＋"
inline constexpr std::string_view kMarkDescending = " \x81|";                                    // " －"

// 内部エラー Sortの項目不正:
inline constexpr std::string_view kBadSortKey =
    "\x93\xE0\x95\x94\x83G\x83\x89\x81[ Sort\x82\xCC\x8D\x80\x96\xDA\x95s\x90\xB3:";
inline constexpr std::string_view kSelectedSuffix = " \x92\xCA\x82\xF0\x91I\x91\xF0";           // " 通を選択"
inline constexpr std::string_view kMessagesSuffix = " \x92\xCA\x82\xCC\x83\x81\x83" "b\x83Z\x81[\x83W";  // " 通のメッセージ"
// " フォルダはありません。"
inline constexpr std::string_view kFolderMissingSuffix =
    " \x83t\x83H\x83\x8B\x83_\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B";
// emlファイルを読み込んでいます…
inline constexpr std::string_view kLoadingTitle =
    "eml\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xF1\x82\xC5\x82\xA2\x82\xDC\x82\xB7\x81" "c";
inline constexpr std::string_view kFromLabel = "From\x81" "F";  // From：

// 重複するメッセージはありません。
inline constexpr std::string_view kNoDuplicates =
    "\x8F" "d\x95\xA1\x82\xB7\x82\xE9\x83\x81\x83" "b\x83Z\x81[\x83W\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B";
//  通のメッセージが重複しています。
inline constexpr std::string_view kDuplicatesSuffix =
    " \x92\xCA\x82\xCC\x83\x81\x83" "b\x83Z\x81[\x83W\x82\xAA\x8F" "d\x95\xA1\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B";
//  の重複メッセージ
inline constexpr std::string_view kDuplicateCaptionSuffix = " \x82\xCC\x8F" "d\x95\xA1\x83\x81\x83" "b\x83Z\x81[\x83W";

// clang-format on

}  // namespace pelmora::texts
