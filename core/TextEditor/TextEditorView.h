#pragma once

#include "TextEditor/AutoInsertCommand.h"
#include "platform/Observation.h"
#include "platform/text/TextView.h"

#include <QMap>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;

namespace penwick {

class RegExp;

// The Markdown text view of both programs: typing automation (pairs, lists, indentation,
// code fences, Tab and snippets), line commands, and drops. A view made in code has its
// automation off until awakeFromNib() reads and starts following the settings.
class TextEditorView : public platform::TextView {
    Q_OBJECT
public:
    explicit TextEditorView(QWidget* parent = nullptr);
    ~TextEditorView() override;

    // --- Typing state ---
    bool supportsGFM() const { return m_supportsGFM; }
    void setSupportsGFM(bool on) { m_supportsGFM = on; }
    bool autoPair() const { return m_autoPair; }
    void setAutoPair(bool on) { m_autoPair = on; }
    bool autoPairDollar() const { return m_autoPairDollar; }
    void setAutoPairDollar(bool on) { m_autoPairDollar = on; }
    bool autoBullet() const { return m_autoBullet; }
    void setAutoBullet(bool on) { m_autoBullet = on; }
    bool autoPairInAction() const { return m_autoPairInAction; }
    void setAutoPairInAction(bool on) { m_autoPairInAction = on; }
    const std::optional<Autopair>& lastInsertedPair() const { return m_lastInsertedPair; }
    void setLastInsertedPair(std::optional<Autopair> pair) { m_lastInsertedPair = std::move(pair); }
    // The pending command (shared while it runs); replacing it drops the old one.
    const std::shared_ptr<AutoInsertCommand>& nextAutoInsertCommand() const { return m_nextAutoInsertCommand; }
    void setNextAutoInsertCommand(std::shared_ptr<AutoInsertCommand> command)
    {
        m_nextAutoInsertCommand = std::move(command);
    }

    static inline const QString ASTERISK = QStringLiteral("*");
    static inline const QString DOLLAR = QStringLiteral("$");

    // --- Class-wide tables, made once ---
    // White-space neighbours of the cursor: " ", "\n" and "\r" (not the tab).
    static const QStringList& specialChars();
    // Openers and their closers: ( [ { < and both straight quotes.
    static const QMap<QString, QString>& autoPairDict();
    // The patterns of list continuation, indentation and code fences (null if one failed).
    static const RegExp* autoBulletRegEx();
    static const RegExp* leadingTabRegEx();
    static const RegExp* autoBulletWithTaskRegEx();
    static const RegExp* autoCodeRegEx();
    static const RegExp* orderedListRegEx();

    // --- Set-up and settings ---
    virtual QStringList readablePasteboardTypes() const;
    // Folder that dropped images are made relative to; empty here, subclasses answer theirs.
    virtual QString basePath() const;
    // Turns the find bar on, quotes straight, registers the drag types, reads the four
    // settings and follows them until the view is destroyed.
    virtual void awakeFromNib();

    // --- Keys and commands ---
    void cancelOperation() override;
    // A pending command or the find bar uses Escape; otherwise the key goes to the parent.
    bool wantsCancelOperation() const override;
    bool readSelectionFromPasteboard(const QMimeData* pasteboard, const QString& type) override;
    void insertText(const QString& text) override;
    using platform::TextView::insertText;
    void insertTab() override;
    void duplicateLine();
    void moveLineDown();
    void moveLineUp();
    // Forgets the pending typing state; undo of an automatic insertion runs it.
    void nullifyInsertAction();
    // Registers nullifyInsertAction with the undo manager (no action name).
    void registerNullifyInsertAction();
    // The undo action name of a snippet expansion: "Insert Snippet for @" and the shortcut.
    static QString snippetActionName(const QString& matchingString);
    // Hands a key to the pending command first; true when the key needs nothing more.
    bool handleNextCommand(const QString& character, const QString& input, platform::TextRange range);

    // --- Drops (TextEditorViewDragAndDrop.cpp) ---
    virtual QStringList acceptableDragTypes() const;
    virtual Qt::DropAction draggingEntered(const QMimeData* data, Qt::DropActions possibleActions);
    virtual Qt::DropAction draggingUpdated(const QMimeData* data, Qt::DropActions possibleActions);
    virtual bool prepareForDragOperation(const QMimeData* data);
    virtual bool performDragOperation(const QMimeData* data);
    // Dropped files that are not images; nothing here, subclasses open them.
    virtual void handleDragAndDropFiles(const QStringList& paths);
    // Registers an undo step that puts back the current selections.
    virtual void preserveSelections();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    struct Neighbours {
        std::optional<QChar> left;
        std::optional<QChar> right;
    };
    using WaitResult = std::pair<QString, std::shared_ptr<AutoInsertCommand>>;

    // Moves the cursor over the next character of the pending command's closing run when that
    // character is typed; true when it did.
    bool stepOverAutoInsertedRun(const QString& character, platform::TextRange range);
    // Makes `command` the pending one; a pending closing run it replaces is kept as enclosing.
    void replacePendingCommand(std::shared_ptr<AutoInsertCommand> command);
    void dropPendingCommands();
    bool handleAutoPairCharacter(const QString& character, const QString& input, platform::TextRange range);
    bool handleSpecialCaseCharacter(const QString& character, const QString& input, platform::TextRange range);
    WaitResult autoPairTypeWaitCharacter(const QString& input, qsizetype location);
    WaitResult autoPairTypeWaitCharacter(const QString& input, qsizetype location, const QString& waitCharacter);
    Neighbours leftRightCharactersAtLocation(qsizetype position) const;
    bool handleAutoBulletForCharacter(const QString& character, platform::TextRange range);
    bool handleLeadingTabForCharacter(const QString& character, platform::TextRange range);
    bool handleAutoCode(const QString& character, platform::TextRange range);
    std::optional<QString> lineTextForRange(platform::TextRange range, platform::TextRange* lineRange = nullptr) const;
    bool insertSnippet();
    // Puts `prefix` before and `suffix` after every selected range, as the word format command does.
    void wrapSelection(const QString& prefix, const QString& suffix);
    // Drop helpers (TextEditorViewDragAndDrop.cpp).
    bool canInsertDroppedData(const QMimeData* source) const;
    void insertDroppedData(const QMimeData* source);
    void readSetting(const QString& key);

    bool m_supportsGFM = false;
    bool m_autoPair = false;
    bool m_autoPairDollar = false;
    bool m_autoBullet = false;
    bool m_autoPairInAction = false;
    std::optional<Autopair> m_lastInsertedPair;
    std::shared_ptr<AutoInsertCommand> m_nextAutoInsertCommand;
    // Closing runs of enclosing pairs still ahead of the cursor, innermost last.
    std::vector<std::shared_ptr<AutoPairedCommand>> m_enclosingCommands;
    std::vector<platform::Observation> m_settingObservations;
};

} // namespace penwick
