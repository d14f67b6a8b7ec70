#pragma once

#include "platform/text/TextRange.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class Hunspell;

namespace penwick::platform {

// Words against a hunspell dictionary. Main thread only (the dictionary is not thread-safe).
class SpellChecker {
public:
    // The process's checker: the dictionary of the user's language when one is installed,
    // else English.
    static SpellChecker& shared();

    // The folders searched for "<language>.aff" and "<language>.dic".
    static QStringList dictionaryDirectories();
    // The dictionary (path without extension) for a locale name such as "de_DE": the exact
    // name, else any dictionary of the same language, else "en_US"; none when none is installed.
    static std::optional<QString> dictionaryPathFor(const QString& localeName, const QStringList& directories);

    // Loads "<path>.aff" and "<path>.dic"; without them the checker accepts every word.
    explicit SpellChecker(const QString& dictionaryPath);
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    bool isAvailable() const { return m_hunspell != nullptr; }
    // The dictionary's name ("en_US"), empty without one.
    QString language() const { return m_language; }

    bool isCorrect(const QString& word) const;
    QStringList suggestions(const QString& word) const;
    // The misspelt words of `text`, as ranges shifted by `offset`. Words with digits or
    // underscores are not checked.
    TextRanges misspelledWords(const QString& text, qsizetype offset = 0) const;

private:
    std::string encode(const QString& word) const;
    QString decode(const std::string& bytes) const;

    std::unique_ptr<Hunspell> m_hunspell;
    QString m_language;
    bool m_latin1 = false;
    mutable QHash<QString, bool> m_cache;
};

} // namespace penwick::platform
