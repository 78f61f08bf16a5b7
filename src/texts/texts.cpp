// SPDX-License-Identifier: MIT
// The texts encoded while compiling: each literal becomes a constant array
// of its code page 932 bytes, read through the decoder's own table, so a
// text costs nothing when it is shown (the reader shows "（不明）" for every
// message without a sender) and needs no start-up step or lock.
#include "texts/texts.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "decode/cp932_encode.h"
#include "decode/japanese.h"

namespace pelmora::text {

namespace {

// A string literal as a template argument, so that each text's bytes can be
// a constant of their own length.
template <std::size_t N>
struct Utf8Literal {
    char bytes[N]{};
    consteval Utf8Literal(const char (&text)[N]) {
        for (std::size_t i = 0; i < N; ++i) bytes[i] = text[i];
    }
    consteval std::string_view view() const { return {bytes, N - 1}; }
};

// Not constexpr: a text that reaches one of these while being encoded stops
// the build, and the compiler's message names the function.
void textIsNotWellFormedUtf8() {}
void textHasACharacterWithoutCodePage932Code() {}

struct Character {
    char32_t codePoint;
    std::size_t length;
};

constexpr Character characterAt(std::string_view utf8, std::size_t at) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length == 0 || utf8.size() - at < length) textIsNotWellFormedUtf8();
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(utf8[at + k]);
        if ((next & 0xC0) != 0x80) textIsNotWellFormedUtf8();
        value = value << 6 | (next & 0x3F);
    }
    return {value, length};
}

// Hands each code page 932 byte of the text to put. Run only where a
// constant is initialised, so always while compiling (plain constexpr rather
// than consteval: clang 14 rejects consteval calls that pass a parameter on).
template <typename Put>
constexpr void encode(std::string_view utf8, Put put) {
    for (std::size_t at = 0; at < utf8.size();) {
        const Character c = characterAt(utf8, at);
        const std::uint16_t code = cp932::UnicodeToCode(c.codePoint);
        if (code == 0 && c.codePoint != 0) textHasACharacterWithoutCodePage932Code();
        if (code >= 0x100) put(static_cast<char>(code >> 8));
        put(static_cast<char>(code & 0xFF));
        at += c.length;
    }
}

constexpr std::size_t encodedLength(std::string_view utf8) {
    std::size_t length = 0;
    encode(utf8, [&length](char) { ++length; });
    return length;
}

template <Utf8Literal Text>
struct Encoded {
    static constexpr auto bytes = [] {
        std::array<char, encodedLength(Text.view())> out{};
        std::size_t length = 0;
        encode(Text.view(), [&](char byte) { out[length++] = byte; });
        return out;
    }();
    static constexpr std::string_view view{bytes.data(), bytes.size()};
};

std::string quoted(std::string_view path, std::string_view suffix) {
    std::string text = QuotedPath(path);
    text += suffix;
    return text;
}

std::string withAdvice(std::string text, std::string_view advice) {
    text += kParagraph;
    text += advice;
    return text;
}

}  // namespace

#define PELMORA_DEFINE_TEXT(name, utf8) constinit const std::string_view name = Encoded<utf8>::view;
PELMORA_TEXTS(PELMORA_DEFINE_TEXT)
#undef PELMORA_DEFINE_TEXT

std::span<const NamedText> AllTexts() {
#define PELMORA_NAME_TEXT(name, utf8) NamedText{#name, utf8, name},
    static const NamedText all[] = {PELMORA_TEXTS(PELMORA_NAME_TEXT)};
#undef PELMORA_NAME_TEXT
    return all;
}

std::string QuotedPath(std::string_view path) {
    std::string text = "\"";
    AppendUtf8AsAnsi(text, path);
    text += '"';
    return text;
}

namespace {

std::string_view trashStepText(TrashStep step) {
    switch (step) {
        case TrashStep::CreateTrashFolder:
            return kTrashStepCreateTrashFolder;
        case TrashStep::CreateFilesFolder:
            return kTrashStepCreateFilesFolder;
        case TrashStep::CreateInfoFolder:
            return kTrashStepCreateInfoFolder;
        case TrashStep::ChooseName:
            return kTrashStepChooseName;
        case TrashStep::WriteTrashInfo:
            return kTrashStepWriteTrashInfo;
        case TrashStep::MoveToTrash:
            return kTrashStepMoveToTrash;
        case TrashStep::FindFreeName:
            return kTrashStepFindFreeName;
        case TrashStep::CreateVolumeTrash:
            return kTrashStepCreateVolumeTrash;
        case TrashStep::UseVolumeTrash:
            return kTrashStepUseVolumeTrash;
        case TrashStep::RemoveCopiedOriginal:
            return kTrashStepRemoveCopiedOriginal;
        case TrashStep::MoveBack:
            return kTrashStepMoveBack;
        case TrashStep::CopyBack:
            return kTrashStepCopyBack;
        case TrashStep::FindFile:
            return kTrashStepFindFile;
        case TrashStep::CreateHomeTrash:
            return kTrashStepCreateHomeTrash;
        case TrashStep::None:
            break;
    }
    return {};
}

}  // namespace

std::string TrashFailureText(const Error& error) {
    std::string text = QuotedPath(error.path.native());
    if (error.kind == ErrorKind::Changed) {
        if (error.adviceCp932.empty()) return text + std::string(kChangedNotTrashedSuffix);
        return text + std::string(kChangedNotPutBackSuffix) + error.adviceCp932 +
               std::string(kReasonEndInList);
    }
    text += kCouldNotTrashSuffix;
    text += trashStepText(error.step);
    text += kFailedAtReason;
    AppendUtf8AsAnsi(text, error.reasonText());
    text += kReasonEndInList;
    return text;
}

std::string CouldNotOpen(std::string_view path) {
    return withAdvice(quoted(path, kCouldNotOpenSuffix), kCheckNotInUseAdvice);
}

std::string OutOfMemoryReading(std::string_view path) {
    return quoted(path, kOutOfMemorySuffix);
}

std::string CouldNotOpenWithAssociation(std::string_view path) {
    return withAdvice(quoted(path, kCouldNotOpenSuffix), kCheckNotInUseOrAssociationAdvice);
}

std::string CouldNotOpenInEditor(std::string_view path, std::string_view editor) {
    std::string text = quoted(path, kOpenInEditorSuffix);
    text += kLineBreak;
    text += kEditorLabel;
    text += quoted(editor, kCouldNotOpenInEditorSuffix);
    return withAdvice(std::move(text), kCheckNotInUseOrEditorAdvice);
}

std::string FolderMissing(std::string_view folder) {
    return quoted(folder, kFolderMissingSuffix);
}

std::string CreateFolderQuestion(std::string_view folder) {
    return quoted(folder, kCreateFolderQuestionSuffix);
}

std::string UnreadableFolder(std::string_view folder) {
    return quoted(folder, kUnreadableFolderSuffix);
}

std::string ListedOpenQuestion(std::string_view count, std::string_view path) {
    std::string text(count);
    text += kListedSuffix;
    text += kParagraph;
    text += quoted(path, kOpenQuestionSuffix);
    return text;
}

std::string IsAFolder(std::string_view path) {
    return quoted(path, kIsAFolderSuffix);
}

std::string ReplaceLinkQuestion(std::string_view path) {
    return quoted(path, kReplaceLinkQuestionSuffix);
}

std::string ReplaceFileQuestion(std::string_view path) {
    return quoted(path, kReplaceFileQuestionSuffix);
}

std::string LinkReplaced(std::string_view path) {
    return quoted(path, kLinkReplacedSuffix);
}

std::string SettingsNotRead(std::string_view path, std::string_view problem) {
    return withAdvice(quoted(path, problem), kStartingWithDefaults);
}

std::string CannotWrite(std::string_view path) {
    std::string text;
    AppendUtf8AsAnsi(text, path);
    text += kCannotWriteSuffix;
    return text;
}

}  // namespace pelmora::text
