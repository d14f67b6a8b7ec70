#include "platform/text/SpellChecker.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTextBoundaryFinder>

#include <hunspell/hunspell.hxx>

namespace penwick::platform {

namespace {

constexpr qsizetype kCacheLimit = 50000;
const QString kFallbackLanguage = QStringLiteral("en_US");

bool exists(const QString& base)
{
    return QFileInfo::exists(base + QStringLiteral(".aff")) && QFileInfo::exists(base + QStringLiteral(".dic"));
}

bool isCheckable(QStringView word)
{
    bool letter = false;
    for (QChar c : word) {
        if (c.isDigit() || c == u'_')
            return false;
        letter = letter || c.isLetter();
    }
    return letter;
}

} // namespace

SpellChecker& SpellChecker::shared()
{
    static SpellChecker checker(
        dictionaryPathFor(QLocale::system().name(), dictionaryDirectories()).value_or(QString()));
    return checker;
}

QStringList SpellChecker::dictionaryDirectories()
{
    return { QStringLiteral("/usr/share/hunspell"), QStringLiteral("/usr/share/myspell/dicts"),
        QStringLiteral("/usr/share/myspell") };
}

std::optional<QString> SpellChecker::dictionaryPathFor(const QString& localeName, const QStringList& directories)
{
    const QString language = localeName.section(u'_', 0, 0);
    for (const QString& dir : directories) {
        if (!localeName.isEmpty() && exists(dir + u'/' + localeName))
            return dir + u'/' + localeName;
    }
    if (!language.isEmpty() && language != QLatin1String("C")) {
        for (const QString& dir : directories) {
            const QStringList found = QDir(dir).entryList({ language + QStringLiteral("_*.dic"), language + QStringLiteral(".dic") },
                QDir::Files, QDir::Name);
            for (const QString& file : found) {
                const QString base = dir + u'/' + QFileInfo(file).completeBaseName();
                if (exists(base))
                    return base;
            }
        }
    }
    for (const QString& dir : directories) {
        if (exists(dir + u'/' + kFallbackLanguage))
            return dir + u'/' + kFallbackLanguage;
    }
    return std::nullopt;
}

SpellChecker::SpellChecker(const QString& dictionaryPath)
{
    if (dictionaryPath.isEmpty() || !exists(dictionaryPath))
        return;
    const QByteArray aff = QFile::encodeName(dictionaryPath + QStringLiteral(".aff"));
    const QByteArray dic = QFile::encodeName(dictionaryPath + QStringLiteral(".dic"));
    m_hunspell = std::make_unique<Hunspell>(aff.constData(), dic.constData());
    const QString encoding = QString::fromStdString(m_hunspell->get_dict_encoding()).toUpper();
    m_latin1 = encoding == QLatin1String("ISO8859-1") || encoding == QLatin1String("ISO-8859-1");
    m_language = QFileInfo(dictionaryPath).fileName();
}

SpellChecker::~SpellChecker() = default;

std::string SpellChecker::encode(const QString& word) const
{
    return m_latin1 ? word.toLatin1().toStdString() : word.toStdString();
}

QString SpellChecker::decode(const std::string& bytes) const
{
    return m_latin1 ? QString::fromLatin1(bytes.data(), qsizetype(bytes.size())) : QString::fromStdString(bytes);
}

bool SpellChecker::isCorrect(const QString& word) const
{
    if (!m_hunspell || !isCheckable(word))
        return true;
    const auto cached = m_cache.constFind(word);
    if (cached != m_cache.constEnd())
        return *cached;
    const bool correct = m_hunspell->spell(encode(word));
    if (m_cache.size() >= kCacheLimit)
        m_cache.clear();
    m_cache.insert(word, correct);
    return correct;
}

QStringList SpellChecker::suggestions(const QString& word) const
{
    QStringList list;
    if (!m_hunspell || word.isEmpty())
        return list;
    for (const std::string& s : m_hunspell->suggest(encode(word)))
        list.append(decode(s));
    return list;
}

TextRanges SpellChecker::misspelledWords(const QString& text, qsizetype offset) const
{
    TextRanges ranges;
    if (!m_hunspell || text.isEmpty())
        return ranges;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        const QStringView word = QStringView(text).mid(start, end - start);
        // Apostrophes at the edges belong to quotation marks, not to the word.
        qsizetype from = 0;
        qsizetype to = word.size();
        while (from < to && (word[from] == u'\'' || word[from] == QChar(0x2019)))
            ++from;
        while (to > from && (word[to - 1] == u'\'' || word[to - 1] == QChar(0x2019)))
            --to;
        if (to > from && word[from].isLetter() && !isCorrect(word.mid(from, to - from).toString()))
            ranges.append(TextRange(offset + start + from, to - from));
        start = end;
    }
    return ranges;
}

} // namespace penwick::platform
