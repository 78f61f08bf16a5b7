// SPDX-License-Identifier: MIT
#include "app/qtext.h"

#include <QByteArray>
#include <QFile>
#include <cstdint>

#include "decode/cp932.h"
#include "decode/japanese.h"

namespace pelmora::app {

namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool isTrailByte(std::uint8_t byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

void appendCharacter(QString& out, char32_t ch) {
    if (ch == 0) {
        out.append(QChar(kReplacement));
    } else if (ch > 0xFFFF) {
        out.append(QChar(QChar::highSurrogate(ch)));
        out.append(QChar(QChar::lowSurrogate(ch)));
    } else {
        out.append(QChar(static_cast<char16_t>(ch)));
    }
}

enum class LineBreaks { Keep, CrAsNewline };

QString decode(std::string_view cp932, LineBreaks breaks) {
    QString out;
    out.reserve(static_cast<qsizetype>(cp932.size()));
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(cp932[i]);
        if (byte < 0x80) {
            if (byte == '\r' && breaks == LineBreaks::CrAsNewline) {
                out.append(QLatin1Char('\n'));
                if (i + 1 < cp932.size() && cp932[i + 1] == '\n') ++i;
            } else {
                out.append(QLatin1Char(static_cast<char>(byte)));
            }
            continue;
        }
        if (IsCp932LeadByte(byte)) {
            // A lead byte without a proper trail byte stands alone, so the
            // next byte still gets its chance to start a character.
            if (i + 1 < cp932.size() && isTrailByte(static_cast<std::uint8_t>(cp932[i + 1]))) {
                const auto trail = static_cast<std::uint8_t>(cp932[i + 1]);
                appendCharacter(out, Cp932ToUnicode(static_cast<std::uint16_t>(byte << 8 | trail)));
                ++i;
            } else {
                out.append(QChar(kReplacement));
            }
            continue;
        }
        appendCharacter(out, Cp932ToUnicode(byte));
    }
    return out;
}

}  // namespace

QString fromCp932(std::string_view cp932) {
    return decode(cp932, LineBreaks::Keep);
}

QString fromCp932Message(std::string_view cp932) {
    return decode(cp932, LineBreaks::CrAsNewline);
}

std::string toCp932(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToAnsi(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString fromPath(const std::filesystem::path& path) {
    const std::string& native = path.native();
    return QFile::decodeName(QByteArray(native.data(), static_cast<qsizetype>(native.size())));
}

std::filesystem::path toPath(const QString& text) {
    const QByteArray native = QFile::encodeName(text);
    return std::filesystem::path(std::string(native.constData(), static_cast<std::size_t>(native.size())));
}

}  // namespace pelmora::app
