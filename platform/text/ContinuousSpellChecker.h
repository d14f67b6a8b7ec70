#pragma once

#include "platform/text/TextRange.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

class QMenu;
class QPlainTextEdit;
class QWidget;

namespace penwick::platform {

class SpellChecker;

// Checks the spelling of the visible text of a text view as it changes or scrolls, and
// underlines misspelt words with a red wave drawn over the view (so the marks never touch
// the text, its formats or its undo history). The owner says which ranges to leave alone.
class ContinuousSpellChecker : public QObject {
    Q_OBJECT
public:
    // Ranges of the text not to check, for a range about to be checked.
    using SkipRanges = std::function<TextRanges(TextRange checked)>;
    // Puts a correction in place of a misspelt word.
    using Replacer = std::function<void(TextRange word, const QString& correction)>;

    static constexpr int MAX_SUGGESTIONS = 8;

    explicit ContinuousSpellChecker(QPlainTextEdit* view, SpellChecker* checker = nullptr);
    ~ContinuousSpellChecker() override;

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setSkipRanges(SkipRanges skip) { m_skip = std::move(skip); }
    void setReplacer(Replacer replacer) { m_replacer = std::move(replacer); }

    // Checks the visible text now (it is otherwise checked once control returns to the event loop).
    void checkVisibleText();
    // The misspelt words of the last check, in text order.
    const TextRanges& misspelledRanges() const { return m_misspelled; }
    std::optional<TextRange> misspelledRangeAt(qsizetype position) const;
    // Adds the suggestions for the misspelt word at a point of the view's viewport to the top
    // of `menu`; answers how many actions it added.
    int addSuggestions(QMenu* menu, const QPoint& viewportPoint);

signals:
    void checked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Overlay;
    void scheduleCheck();
    void placeOverlay();
    void paintMarks(QWidget* overlay);

    QPointer<QPlainTextEdit> m_view;
    SpellChecker* m_checker;
    QPointer<Overlay> m_overlay;
    bool m_enabled = false;
    bool m_checkPending = false;
    SkipRanges m_skip;
    Replacer m_replacer;
    TextRanges m_misspelled;
    bool m_textChanged = false;
};

} // namespace penwick::platform
