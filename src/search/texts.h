// SPDX-License-Identifier: MIT
// The search's user-visible texts, already in code page 932 (the sources
// are UTF-8). The comment above each gives the text it spells.
#pragma once

#include <string_view>

namespace pelmora::search_texts {

// 検索できないメッセージがあります。スキップして続けますか？
inline constexpr std::string_view kSkipQuestion =
    "\x8C\x9F\x8D\xF5\x82\xC5\x82\xAB\x82\xC8\x82\xA2\x83\x81\x83"
    "b\x83Z\x81[\x83W\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7\x81"
    "B\x83X\x83L\x83"
    "b\x83v\x82\xB5\x82\xC4\x91\xB1\x82\xAF\x82\xDC\x82\xB7\x82\xA9\x81H";
//  ファイル　：
inline constexpr std::string_view kSkipFileLabel =
    " \x83t\x83@\x83"
    "C\x83\x8B\x81@\x81"
    "F";
//  差出人　　：
inline constexpr std::string_view kSkipFromLabel =
    " \x8D\xB7\x8Fo\x90l\x81@\x81@\x81"
    "F";
//  件名　　 ：
inline constexpr std::string_view kSkipSubjectLabel =
    " \x8C\x8F\x96\xBC\x81@\x81@ \x81"
    "F";
//  受信日時　：
inline constexpr std::string_view kSkipReceivedLabel =
    " \x8E\xF3\x90M\x93\xFA\x8E\x9E\x81@\x81"
    "F";
//  未サポート：
inline constexpr std::string_view kSkipItemLabel =
    " \x96\xA2\x83T\x83|\x81[\x83g\x81"
    "F";
// メッセージファイルを検索しています…
inline constexpr std::string_view kSearchingTitle =
    "\x83\x81\x83"
    "b\x83Z\x81[\x83W\x83t\x83@\x83"
    "C\x83\x8B\x82\xF0\x8C\x9F\x8D\xF5\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81"
    "c";
// 条件に合うかチェックしています…
inline constexpr std::string_view kCheckingTitle =
    "\x8F\xF0\x8C\x8F\x82\xC9\x8D\x87\x82\xA4\x82\xA9\x83`\x83"
    "F\x83"
    "b\x83N\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81"
    "c";
// 絞込み検索中です…
inline constexpr std::string_view kNarrowingTitle =
    "\x8Di\x8D\x9E\x82\xDD\x8C\x9F\x8D\xF5\x92\x86\x82\xC5\x82\xB7\x81"
    "c";
// 0 通のメッセージ、未検索
inline constexpr std::string_view kNotSearched =
    "0 \x92\xCA\x82\xCC\x83\x81\x83"
    "b\x83Z\x81[\x83W\x81"
    "A\x96\xA2\x8C\x9F\x8D\xF5";
//  通のメッセージ
inline constexpr std::string_view kMessagesSuffix =
    " \x92\xCA\x82\xCC\x83\x81\x83"
    "b\x83Z\x81[\x83W";
//  通のメッセージ、絞込み検索
inline constexpr std::string_view kNarrowedSuffix =
    " \x92\xCA\x82\xCC\x83\x81\x83"
    "b\x83Z\x81[\x83W\x81"
    "A\x8Di\x8D\x9E\x82\xDD\x8C\x9F\x8D\xF5";
//  個のメッセージをスキップして検索しました。
inline constexpr std::string_view kSkippedSuffix =
    " \x8C\xC2\x82\xCC\x83\x81\x83"
    "b\x83Z\x81[\x83W\x82\xF0\x83X\x83L\x83"
    "b\x83v\x82\xB5\x82\xC4\x8C\x9F\x8D\xF5\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81"
    "B";
//  を開けませんでした。
inline constexpr std::string_view kCannotOpenSuffix =
    " \x82\xF0\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81"
    "B";
// 使用中でないか確認して下さい。
inline constexpr std::string_view kCannotOpenAdvice =
    "\x8Eg\x97p\x92\x86\x82\xC5\x82\xC8\x82\xA2\x82\xA9\x8Am\x94"
    "F\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2\x81"
    "B";

}  // namespace pelmora::search_texts
