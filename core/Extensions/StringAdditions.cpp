#include "Extensions/StringAdditions.h"

#include "platform/AtomicFileWriter.h"

#include <QDir>
#include <QFile>
#include <QTextBoundaryFinder>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <vector>

namespace penwick {

namespace {

// Creating an ICU iterator is costly; each thread keeps one (null when ICU fails).
icu::BreakIterator* characterIterator()
{
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            made.reset();
        return made;
    }();
    return iterator.get();
}

// Calls `visit` with every character boundary of the text in ascending order,
// starting with 0 and ending with the text's length, until `visit` returns false.
void forEachCharacterBoundary(const QString& text, const std::function<bool(qsizetype)>& visit)
{
    if (text.isEmpty()) {
        visit(0);
        return;
    }

    if (icu::BreakIterator* iterator = characterIterator()) {
        UErrorCode status = U_ZERO_ERROR;
        UText* utext = utext_openUChars(nullptr, reinterpret_cast<const UChar*>(text.utf16()), text.size(), &status);
        if (U_SUCCESS(status)) {
            iterator->setText(utext, status);
            if (U_SUCCESS(status)) {
                for (int32_t position = iterator->first(); position != icu::BreakIterator::DONE; position = iterator->next()) {
                    if (!visit(position))
                        break;
                }
            }
            // Leave the iterator on text that outlives the caller's buffer.
            static const icu::UnicodeString nothing;
            iterator->setText(nothing);
            utext_close(utext);
            if (U_SUCCESS(status))
                return;
        }
    }

    // Without ICU, Qt's own grapheme iteration is close enough.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype position = 0; position != -1; position = finder.toNextBoundary()) {
        if (!visit(position))
            return;
    }
}

} // namespace

QList<qsizetype> characterBoundaries(const QString& text)
{
    QList<qsizetype> result;
    forEachCharacterBoundary(text, [&result](qsizetype position) {
        result.append(position);
        return true;
    });
    return result;
}

qsizetype characterCount(const QString& text)
{
    qsizetype boundaries = 0;
    forEachCharacterBoundary(text, [&boundaries](qsizetype) {
        ++boundaries;
        return true;
    });
    return boundaries - 1;
}

std::optional<CharacterRange> rangeFromNSRange(const QString& text, UTF16Range range)
{
    const qsizetype size = text.size();
    const qsizetype start = qBound<qsizetype>(0, range.location, size);
    const qsizetype end = qBound<qsizetype>(start, start + qMax<qsizetype>(0, range.length), size);

    std::optional<qsizetype> lower;
    std::optional<qsizetype> upper;
    qsizetype index = 0;
    forEachCharacterBoundary(text, [&](qsizetype position) {
        if (position == start)
            lower = index;
        if (position == end)
            upper = index;
        ++index;
        return position < end;
    });
    if (!lower || !upper)
        return std::nullopt;
    return CharacterRange { *lower, *upper };
}

bool isOnCharacterBoundaries(const QString& text, UTF16Range range)
{
    const qsizetype size = text.size();
    const qsizetype start = qBound<qsizetype>(0, range.location, size);
    const qsizetype end = qBound<qsizetype>(start, start + qMax<qsizetype>(0, range.length), size);
    const auto trivially = [size](qsizetype at) { return at == 0 || at == size; };
    if (trivially(start) && trivially(end))
        return true;
    if (icu::BreakIterator* iterator = characterIterator()) {
        UErrorCode status = U_ZERO_ERROR;
        UText* utext = utext_openUChars(nullptr, reinterpret_cast<const UChar*>(text.utf16()), size, &status);
        if (U_SUCCESS(status)) {
            iterator->setText(utext, status);
            bool result = false;
            if (U_SUCCESS(status)) {
                // isBoundary finds its way back from a safe point near the offset, not from 0.
                result = (trivially(start) || iterator->isBoundary(int32_t(start)))
                    && (trivially(end) || iterator->isBoundary(int32_t(end)));
            }
            static const icu::UnicodeString nothing;
            iterator->setText(nothing);
            utext_close(utext);
            if (U_SUCCESS(status))
                return result;
        }
    }
    // Without ICU: the boundaries of the lines around each end, which a character never crosses
    // except as CR LF.
    const auto onBoundary = [&text, size](qsizetype at) {
        if (at == 0 || at == size)
            return true;
        qsizetype from = at;
        while (from > 0 && text.at(from - 1) != u'\n')
            --from;
        qsizetype to = at;
        while (to < size && text.at(to) != u'\n')
            ++to;
        if (text.at(at) == u'\n' && text.at(at - 1) == u'\r')
            return false;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData() + from, to - from);
        finder.setPosition(at - from);
        return finder.isAtBoundary();
    };
    return onBoundary(start) && onBoundary(end);
}

UTF16Range NSRangeFromRange(const QString& text, CharacterRange range)
{
    const qsizetype lowerIndex = qMax<qsizetype>(0, range.lowerBound);
    const qsizetype upperIndex = qMax(lowerIndex, range.upperBound);

    qsizetype lower = -1;
    qsizetype upper = -1;
    qsizetype last = 0;
    qsizetype index = 0;
    forEachCharacterBoundary(text, [&](qsizetype position) {
        last = position;
        if (index == lowerIndex)
            lower = position;
        if (index == upperIndex) {
            upper = position;
            return false;
        }
        ++index;
        return true;
    });
    if (lower < 0)
        lower = last;
    if (upper < 0)
        upper = last;
    return UTF16Range { lower, upper - lower };
}

// ---- Characters ----------------------------------------------------------------

namespace {

// The characters of the text, each normalised so that canonically equivalent
// characters compare equal.
QStringList comparableCharacters(const QString& text, const QList<qsizetype>& boundaries)
{
    QStringList characters;
    characters.reserve(boundaries.size());
    for (qsizetype i = 0; i + 1 < boundaries.size(); ++i)
        characters.append(text.mid(boundaries[i], boundaries[i + 1] - boundaries[i]).normalized(QString::NormalizationForm_C));
    return characters;
}

} // namespace

QString capitalizeFirst(const QString& text)
{
    if (text.isEmpty())
        return text;
    qsizetype firstEnd = text.size();
    forEachCharacterBoundary(text, [&firstEnd](qsizetype position) {
        if (position == 0)
            return true;
        firstEnd = position;
        return false;
    });
    icu::UnicodeString first(reinterpret_cast<const UChar*>(text.utf16()), int32_t(firstEnd));
    first.toTitle(nullptr, icu::Locale::getRoot());
    return QString(reinterpret_cast<const QChar*>(first.getBuffer()), first.length()) + text.mid(firstEnd);
}

QStringList split(const QString& text, const QString& separator)
{
    QStringList pieces;
    if (text.isEmpty())
        return pieces;
    if (separator.isEmpty())
        return { text };

    const QList<qsizetype> bounds = characterBoundaries(text);
    const QStringList characters = comparableCharacters(text, bounds);
    const QStringList separatorCharacters = comparableCharacters(separator, characterBoundaries(separator));
    const qsizetype count = characters.size();
    const qsizetype width = separatorCharacters.size();

    auto separatorAt = [&](qsizetype index) {
        if (index + width > count)
            return false;
        for (qsizetype j = 0; j < width; ++j) {
            if (characters[index + j] != separatorCharacters[j])
                return false;
        }
        return true;
    };

    qsizetype pieceStart = 0;
    qsizetype index = 0;
    while (index < count) {
        if (separatorAt(index)) {
            if (index > pieceStart)
                pieces.append(text.mid(bounds[pieceStart], bounds[index] - bounds[pieceStart]));
            index += width;
            pieceStart = index;
        } else {
            ++index;
        }
    }
    if (count > pieceStart)
        pieces.append(text.mid(bounds[pieceStart], bounds[count] - bounds[pieceStart]));
    return pieces;
}

QStringList splitAt(const QString& text, const QString& character)
{
    return split(text, character);
}

QString subscript(const QString& text, qsizetype index)
{
    if (index < 0)
        return QString();
    return subscript(text, CharacterRange { index, index + 1 });
}

QString subscript(const QString& text, CharacterRange range)
{
    const UTF16Range units = NSRangeFromRange(text, range);
    return text.mid(units.location, units.length);
}

// ---- Trimming and replacing ------------------------------------------------------

namespace {

bool isWhitespaceOrNewline(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= 0x09 && u <= 0x0D) || u == 0x85)
        return true;
    switch (c.category()) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

bool isWhitespace(QChar c)
{
    return c.unicode() == 0x09 || c.category() == QChar::Separator_Space;
}

// Strips every trailing separator; the count of units left (0 for "/" and "").
qsizetype endWithoutTrailingSeparators(const QString& path)
{
    qsizetype end = path.size();
    while (end > 0 && path[end - 1] == QLatin1Char('/'))
        --end;
    return end;
}

QString collapseSeparators(const QString& path)
{
    QString result;
    result.reserve(path.size());
    for (const QChar c : path) {
        if (c == QLatin1Char('/') && result.endsWith(QLatin1Char('/')))
            continue;
        result.append(c);
    }
    return result;
}

} // namespace

QString trim(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isWhitespaceOrNewline(text[start]))
        ++start;
    while (end > start && isWhitespaceOrNewline(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

QString trimWhiteSpace(const QString& text)
{
    return trim(text);
}

QStringList stringsByTrimmingLeadingWhitespace(const QString& text)
{
    qsizetype k = 0;
    while (k < text.size() && isWhitespace(text[k]))
        ++k;
    return { text.left(k), text.mid(k) };
}

QString replace(const QString& text, const QString& target, const QString& replacement)
{
    if (target.isEmpty())
        return text;
    QString result = text;
    result.replace(target, replacement, Qt::CaseSensitive);
    return result;
}

// ---- Paths -------------------------------------------------------------------------

QStringList pathComponents(const QString& path)
{
    QStringList components;
    if (path.isEmpty())
        return components;
    if (path.startsWith(QLatin1Char('/')))
        components.append(QStringLiteral("/"));
    const QStringList names = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    components.append(names);
    if (!names.isEmpty() && path.endsWith(QLatin1Char('/')))
        components.append(QStringLiteral("/"));
    return components;
}

QString pathWithComponents(const QStringList& components)
{
    return collapseSeparators(components.join(QLatin1Char('/')));
}

QString stringWithPathRelativeTo(const QString& path, const QString& base)
{
    const QStringList own = pathComponents(path);
    const QStringList baseComponents = pathComponents(base);
    const qsizetype n = qMin(own.size(), baseComponents.size());
    qsizetype common = 0;
    while (common < n && own[common] == baseComponents[common])
        ++common;

    QStringList relative;
    for (qsizetype i = common; i < baseComponents.size(); ++i)
        relative.append(QStringLiteral(".."));
    relative.append(own.mid(common));
    return pathWithComponents(relative);
}

QString lastPathComponent(const QString& path)
{
    if (path.isEmpty())
        return path;
    const qsizetype end = endWithoutTrailingSeparators(path);
    if (end == 0)
        return QStringLiteral("/");
    const qsizetype start = path.lastIndexOf(QLatin1Char('/'), end - 1) + 1;
    return path.mid(start, end - start);
}

QString stringByDeletingLastPathComponent(const QString& path)
{
    if (path.isEmpty())
        return path;
    const qsizetype end = endWithoutTrailingSeparators(path);
    if (end == 0)
        return QStringLiteral("/");
    const qsizetype separator = path.lastIndexOf(QLatin1Char('/'), end - 1);
    if (separator < 0)
        return QString();
    qsizetype cut = separator;
    while (cut > 0 && path[cut - 1] == QLatin1Char('/'))
        --cut;
    if (cut == 0)
        return QStringLiteral("/");
    return path.left(cut);
}

QString parentPath(const QString& path)
{
    return stringByDeletingLastPathComponent(path);
}

namespace {

// Index of the dot that starts the extension of the last component of path.left(end),
// or -1. A name that begins with a dot, or is made only of dots, has no extension.
qsizetype extensionDot(const QString& path, qsizetype end)
{
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/'), end - 1) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'), end - 1);
    if (dot <= nameStart)
        return -1;
    bool onlyDots = true;
    for (qsizetype i = nameStart; i < end && onlyDots; ++i)
        onlyDots = path[i] == QLatin1Char('.');
    return onlyDots ? -1 : dot;
}

} // namespace

QString fileName(const QString& path)
{
    return stringByDeletingPathExtension(lastPathComponent(path));
}

QString fileExtension(const QString& path)
{
    const qsizetype end = endWithoutTrailingSeparators(path);
    if (end == 0)
        return QString();
    const qsizetype dot = extensionDot(path, end);
    return dot < 0 ? QString() : path.mid(dot + 1, end - dot - 1);
}

QString appendPathComponent(const QString& path, const QString& component)
{
    const QString joined = path.isEmpty() ? component : path + QLatin1Char('/') + component;
    QString result = collapseSeparators(joined);
    if (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

QString appendPathExtension(const QString& path, const QString& extension)
{
    const qsizetype end = endWithoutTrailingSeparators(path);
    if (end == 0 || extension.isEmpty() || extension.contains(QLatin1Char('/')))
        return path;
    return path.left(end) + QLatin1Char('.') + extension;
}

QString stringByDeletingPathExtension(const QString& path)
{
    if (path.isEmpty())
        return path;
    const qsizetype end = endWithoutTrailingSeparators(path);
    if (end == 0)
        return QStringLiteral("/");
    const qsizetype dot = extensionDot(path, end);
    return path.left(dot < 0 ? end : dot);
}

namespace {

QString homeOfUser(const QString& user)
{
    if (user.isEmpty())
        return QDir::homePath();
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry {};
    passwd* found = nullptr;
    if (getpwnam_r(QFile::encodeName(user).constData(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return QString();
    return QFile::decodeName(found->pw_dir);
}

} // namespace

QString stringByExpandingTildeInPath(const QString& path)
{
    if (!path.startsWith(QLatin1Char('~')))
        return path;
    qsizetype nameEnd = path.indexOf(QLatin1Char('/'));
    if (nameEnd < 0)
        nameEnd = path.size();
    const QString home = homeOfUser(path.mid(1, nameEnd - 1));
    if (home.isEmpty())
        return path;
    QString rest = path.mid(nameEnd);
    if (home.endsWith(QLatin1Char('/')) && rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    return home + rest;
}

QString stringByAbbreviatingWithTildeInPath(const QString& path)
{
    QString home = QDir::homePath();
    while (home.size() > 1 && home.endsWith(QLatin1Char('/')))
        home.chop(1);
    if (home.isEmpty() || home == QLatin1String("/"))
        return path;
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

QUrl asFileURL(const QString& path)
{
    if (path.isEmpty())
        return QUrl();
    QString absolute = QDir::isAbsolutePath(path) ? path : appendPathComponent(QDir::currentPath(), path);
    if (!absolute.endsWith(QLatin1Char('/')) && checkIfDirectoryExists(absolute))
        absolute.append(QLatin1Char('/'));
    return QUrl::fromLocalFile(absolute);
}

void showInFinder(const QString& path)
{
    revealInFileManager(path);
}

// ---- Files ---------------------------------------------------------------------------

std::optional<FileError> writeToFile(const QString& text, const QString& path, bool atomically)
{
    if (path.isEmpty())
        return FileError { FileError::posixDomain, ENOENT, QStringLiteral("Could not write a file: no path was given."), path };

    // An empty parent means the current folder, which exists.
    const QString parent = parentPath(path);
    if (!parent.isEmpty() && !checkIfDirectoryExists(parent)) {
        if (std::optional<FileError> error = createDirectoryAtPath(parent))
            return error;
    }

    if (checkIfDirectoryExists(path)) {
        return FileError { FileError::posixDomain, EISDIR,
            QStringLiteral("Could not write \"%1\": it is a folder.").arg(path), path };
    }

    auto failure = [&path](const QFileDevice& file) {
        return FileError { FileError::fileDeviceDomain, int(file.error()),
            QStringLiteral("Could not write \"%1\": %2").arg(path, file.errorString()), path };
    };

    const QByteArray bytes = text.toUtf8();
    if (atomically) {
        const auto failed = platform::writeFileAtomically(path, bytes);
        if (!failed)
            return std::nullopt;
        return FileError { FileError::fileDeviceDomain, int(failed->deviceError),
            QStringLiteral("Could not write \"%1\": %2").arg(path, failed->reason), path };
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return failure(file);
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failure(file);
    file.close();
    if (file.error() != QFileDevice::NoError)
        return failure(file);
    return std::nullopt;
}

} // namespace penwick
