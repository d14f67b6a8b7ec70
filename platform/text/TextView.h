#pragma once

#include "platform/text/LineEnds.h"
#include "platform/text/TextRange.h"

#include <QColor>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QTextCursor>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QTimer;
class QMimeData;
class QTextDocumentFragment;

namespace penwick::platform {

class FindBar;
class TextSearch;
class ParagraphLayout;
struct ParagraphStyle;
class UndoManager;

// The text view the editor builds on: a QPlainTextEdit whose text is read and written as a
// QString with "\n" line ends and UTF-16 positions, with several selected ranges, a typing
// path that later typing joins for undo, an undo manager of its own (named steps, one group
// per user event, a coalescing break), key routing, margins and a find bar.
//
// Line ends: text set with setString() may use "\r\n", "\r" or U+2028; the view shows them
// as line breaks and string() answers "\n", while fileString() gives the text back with the
// line ends it was loaded with. A file that mixes kinds keeps each line's own end; new lines
// get the file's most frequent one.
class TextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextView(QWidget* parent = nullptr);
    ~TextView() override;

    // --- Text ---
    QString string() const { return m_text; }
    qsizetype textLength() const { return m_text.size(); }
    QString substring(TextRange range) const;
    // Replaces the whole text (a load: undo history is cleared) and remembers its line ends.
    void setString(const QString& text);
    // As setString(), a slice per turn of the event loop, so that the window keeps answering
    // while a long text goes in; the view takes no typing until all of it is in, then `done`
    // runs. setString() or another load ends a load under way (its `done` never runs).
    void loadStringInSlices(const QString& text, std::function<void()> done);
    bool isLoadingSlices() const { return m_sliceLoad != nullptr; }
    // The text with the line ends it was loaded with.
    QString fileString() const;
    // "\n", "\r\n", "\r" or U+2028: the line end that new lines get when the text is saved.
    QString lineEnding() const { return m_lineEnds.dominant(); }
    // The line range (see TextLines) of a range of the view's text.
    TextRange lineRangeForRange(TextRange range) const;

    // --- Selection ---
    // The first selected range (in text order).
    TextRange selectedRange() const;
    // All selected ranges, in text order; never empty.
    TextRanges selectedRanges() const;
    void setSelectedRange(TextRange range);
    void setSelectedRanges(const TextRanges& ranges);

    // --- Editing ---
    // `text` as the view inserts it: every line end becomes "\n".
    static QString insertedForm(const QString& text);
    // The typing path: replaces the selection with `text`; consecutive typing joins one undo
    // step. Subclasses intercept keystrokes here; call TextView::insertText to bypass them.
    virtual void insertText(const QString& text);
    // Typing into a given range instead of the selection (not seen by insertText overrides).
    void insertText(const QString& text, TextRange replacementRange);
    // Formatted text into a range, as one undoable change.
    void insertFragment(const QTextDocumentFragment& fragment, TextRange replacementRange);
    // Veto for a change about to be made; the base refuses only when the view is read-only.
    virtual bool shouldChangeTextInRange(TextRange range, const std::optional<QString>& replacement);
    // Replaces a range of the text storage directly (recorded for undo, not typing).
    void replaceCharacters(TextRange range, const QString& text);
    // Announces the end of a change made through replaceCharacters().
    void didChangeText();
    // Batch several storage changes; positions stay valid between the calls.
    void beginEditing();
    void endEditing();

    // --- Undo ---
    UndoManager* undoManager() const { return m_undoManager; }
    // The next typing starts a new undo step.
    void breakUndoCoalescing();
    void undo();
    void redo();
    // The keys of redo: the platform's own and Ctrl+Y, which Linux editors accept as well.
    static QList<QKeySequence> redoKeys();

    // --- Actions bound to keys ---
    virtual void insertNewline();
    virtual void insertTab();
    // Escape. The view takes the key only when it has a use for it (see wantsCancelOperation),
    // so that a dialog around it still closes on Escape. The base hides the find bar.
    virtual void cancelOperation();
    virtual bool wantsCancelOperation() const;
    // Pastes from `pasteboard`; the base inserts its plain text in place of the selection.
    virtual bool readSelectionFromPasteboard(const QMimeData* pasteboard, const QString& type);
    void paste();
    virtual void beep();
    int beepCount() const { return m_beepCount; }

    // --- Appearance and options ---
    // Line spacing, paragraph spacing and first-line indent of every paragraph; kept by the
    // layout, so it never enters the undo history or changes the text.
    void setDefaultParagraphStyle(const ParagraphStyle& style);
    ParagraphStyle defaultParagraphStyle() const;
    void setMarginSize(const QSizeF& size);
    QSizeF marginSize() const { return m_marginSize; }
    using QPlainTextEdit::viewportMargins;
    void setUsesFindBar(bool uses);
    bool usesFindBar() const { return m_usesFindBar; }
    void showFindBar();
    void hideFindBar();
    FindBar* findBar() const;
    bool isFindBarVisible() const;
    // Selects the next (or previous) occurrence of `text` from the selection, wrapping around.
    bool findNext(const QString& text, bool backwards = false, Qt::CaseSensitivity sensitivity = Qt::CaseInsensitive);
    // Replaces the selection with `with` when it is an occurrence of the search (one undo step),
    // then selects the next occurrence. Answers whether something was replaced.
    bool replaceFound(const TextSearch& search, const QString& with);
    // Replaces every occurrence as one undo step; answers how many were replaced.
    qsizetype replaceAll(const TextSearch& search, const QString& with);
    void setAutomaticLinkDetectionEnabled(bool enabled) { m_linkDetection = enabled; }
    bool isAutomaticLinkDetectionEnabled() const { return m_linkDetection; }
    void setAutomaticQuoteSubstitutionEnabled(bool enabled) { m_quoteSubstitution = enabled; }
    bool isAutomaticQuoteSubstitutionEnabled() const { return m_quoteSubstitution; }
    void registerForDraggedTypes(const QStringList& types);
    // The view's edit menu (undo and redo through the view's undo manager), as its context menu shows it.
    QMenu* createEditMenu(QWidget* parent);
    QStringList registeredDraggedTypes() const { return m_draggedTypes; }
    // The caret's colour; an invalid colour gives the platform's own caret in the text colour.
    void setInsertionPointColor(const QColor& color);
    QColor insertionPointColor() const { return m_insertionPointColor; }
    // Whether the coloured caret is in the shown phase of its blink (always false without one).
    bool isInsertionPointShown() const;

signals:
    // After every change of the text (typing, commands, undo).
    void textDidChange();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    struct Change;
    struct EditScope;
    struct SliceLoad;

    void loadNextSlices();
    void endSliceLoad();
    void finishLoad(const QString& text, const QString& normalized, bool documentHoldsNormalized);

    void onContentsChange(int position, int removed, int added);
    void trackLineEnds(qsizetype position, const QString& removed, const QString& added);
    void recordChange(qsizetype position, const QString& removed, const QString& added);
    void applyChange(qsizetype position, qsizetype length, const QString& text);
    QString documentText(qsizetype position, qsizetype length) const;
    void replaceRange(TextRange range, const QString& text, bool typing);
    void clearExtraRanges();
    void updateExtraSelections();
    void updateViewportMargins();
    void onSelectionMoved();
    void restartInsertionPointBlink();
    void updateInsertionPointArea();
    void repaintInsertionPointArea();

    QString m_text;             // the document's text with "\n" line ends, kept in step
    LineEnds m_lineEnds;        // the file's line ends
    QString m_loadedFileText;   // null unless loading changed more than line ends; dropped at the first change
    bool m_loading = false;
    std::unique_ptr<SliceLoad> m_sliceLoad;
    QList<QTextCursor> m_extraRanges;
    UndoManager* m_undoManager = nullptr;
    int m_editDepth = 0;        // > 0 while the view itself changes text or selection
    int m_typingDepth = 0;      // > 0 while a change comes from typing
    int m_beepCount = 0;
    struct Coalescing {
        std::shared_ptr<Change> change;
        quint64 token = 0;
    } m_coalescing;
    QSizeF m_marginSize;
    bool m_usesFindBar = false;
    QPointer<FindBar> m_findBar;
    bool m_linkDetection = true;
    bool m_quoteSubstitution = false;
    QStringList m_draggedTypes;
    ParagraphLayout* m_paragraphLayout = nullptr;
    // Qt draws its caret only in the text colour, so a coloured one is drawn and blinked here.
    QColor m_insertionPointColor;
    QTimer* m_insertionPointBlink = nullptr;
    bool m_insertionPointPhase = true;
    QRect m_insertionPointArea;
    bool m_insertionPointUpdatePending = false;
    static constexpr int kInsertionPointWidth = 1;
};

} // namespace penwick::platform
