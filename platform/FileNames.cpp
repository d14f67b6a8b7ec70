#include "platform/FileNames.h"

#include <sys/stat.h>


namespace penwick::platform {

namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isEscapedByte(char16_t unit)
{
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

// Length of the valid UTF-8 sequence at `at`, or 0 when it is not one.
int validSequenceLength(const unsigned char* text, qsizetype at, qsizetype size)
{
    const unsigned char lead = text[at];
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t minimum = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > size)
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = text[at + i];
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString decodeFileName(const QByteArray& bytes)
{
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    // The common case: valid throughout.
    while (at < size) {
        const int length = validSequenceLength(text, at, size);
        if (!length)
            break;
        at += length;
    }
    if (at == size)
        return QString::fromUtf8(bytes);
    QString result = QString::fromUtf8(bytes.constData(), at);
    while (at < size) {
        const int length = validSequenceLength(text, at, size);
        if (length) {
            result += QString::fromUtf8(bytes.constData() + at, length);
            at += length;
        } else {
            result += QChar(char16_t(escapeBase + text[at]));
            ++at;
        }
    }
    return result;
}

QByteArray encodeFileName(const QString& name)
{
    if (!hasUndecodableBytes(name))
        return name.toUtf8();
    QByteArray result;
    result.reserve(name.size() * 2);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        // A lone low surrogate (not after a high one) carries a raw byte.
        const bool lone = isEscapedByte(unit) && !(i > 0 && name.at(i - 1).isHighSurrogate());
        if (!lone)
            continue;
        result += QStringView(name).mid(runStart, i - runStart).toUtf8();
        result += char(unit - escapeBase);
        runStart = i + 1;
    }
    result += QStringView(name).mid(runStart).toUtf8();
    return result;
}

bool hasUndecodableBytes(const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        if (isEscapedByte(unit) && !(i > 0 && name.at(i - 1).isHighSurrogate()))
            return true;
    }
    return false;
}

bool pathExists(const QString& path)
{
    struct stat info {};
    return !path.isEmpty() && ::stat(encodeFileName(path).constData(), &info) == 0;
}

QDateTime lastModified(const QString& path)
{
    struct stat info {};
    if (path.isEmpty() || ::stat(encodeFileName(path).constData(), &info) != 0)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000);
}

} // namespace penwick::platform
