#include "TextEditor/TextEditorView.h"

#include "CorePrefs.h"
#include "Extensions/StringAdditions.h"
#include "Extensions/TextViewAdditions.h"
#include "Extensions/WordFormatMenuItem.h"
#include "LXLogger.h"
#include "Services/SnippetManager.h"
#include "Vendors/RegExp.h"
#include "platform/UserDefaults.h"
#include "platform/text/UndoManager.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>

#include <memory>

namespace penwick {

using platform::TextRange;
using platform::UserDefaults;

namespace {

struct ClassTables {
    QMap<QString, QString> pairs;
    std::unique_ptr<RegExp> autoBullet;
    std::unique_ptr<RegExp> leadingTab;
    std::unique_ptr<RegExp> autoBulletWithTask;
    std::unique_ptr<RegExp> autoCode;
    std::unique_ptr<RegExp> orderedList;
};

const QString kAutoBulletPattern = QStringLiteral(
    "^\\s*(?:(?:>>) *)|^\\s*(?:(?:>) *)|^\\s*(?:(?:\\* ) *)|^\\s*(?:(?:\\+ ) *)|^\\s*(?:(?:-) )|^\\s*(?:([0-9]+(?:\\. )) *)");

const ClassTables& classTables()
{
    static const ClassTables tables = [] {
        ClassTables t;
        t.pairs = {
            { QStringLiteral("("), QStringLiteral(")") },
            { QStringLiteral("["), QStringLiteral("]") },
            { QStringLiteral("{"), QStringLiteral("}") },
            { QStringLiteral("<"), QStringLiteral(">") },
            { QStringLiteral("'"), QStringLiteral("'") },
            { QStringLiteral("\""), QStringLiteral("\"") },
        };
        try {
            t.autoBullet = std::make_unique<RegExp>(kAutoBulletPattern);
            t.leadingTab = std::make_unique<RegExp>(QStringLiteral("^(?:(\\s+))\\S+"));
            t.autoBulletWithTask = std::make_unique<RegExp>(
                QStringLiteral("^\\s*(?:(- {1}\\[(x| ){1}\\] )|") + kAutoBulletPattern + QStringLiteral(")"));
            t.autoCode = std::make_unique<RegExp>(QStringLiteral("^\\s*(?:(?:````))"));
            t.orderedList = std::make_unique<RegExp>(QStringLiteral("^\\s*([0-9]+)((?:\\.) *)"));
        } catch (const RegExpError&) {
            log().warning(QStringLiteral("Error creating auto-bullet regular expression"));
        }
        return t;
    }();
    return tables;
}

bool isSpecial(const std::optional<QChar>& c)
{
    return c && TextEditorView::specialChars().contains(QString(*c));
}

bool isNewlineCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QString trimmedOfNewlines(const QString& text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isNewlineCharacter(text.at(from)))
        ++from;
    while (to > from && isNewlineCharacter(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

// The decimal number after `digits`, of any length: item numbers never overflow.
QString incrementedDecimal(const QString& digits)
{
    QString number = digits;
    qsizetype firstNonZero = 0;
    while (firstNonZero < number.size() - 1 && number.at(firstNonZero) == u'0')
        ++firstNonZero;
    number.remove(0, firstNonZero);
    for (qsizetype i = number.size() - 1; i >= 0; --i) {
        if (number.at(i) == u'9') {
            number[i] = u'0';
            continue;
        }
        number[i] = QChar(number.at(i).unicode() + 1);
        return number;
    }
    return QLatin1Char('1') + number;
}

QString firstCharacter(const QString& text)
{
    const QList<qsizetype> boundaries = characterBoundaries(text);
    return text.left(boundaries.size() > 1 ? boundaries.at(1) : text.size());
}

} // namespace

TextEditorView::TextEditorView(QWidget* parent) : platform::TextView(parent)
{
    classTables();
}

TextEditorView::~TextEditorView()
{
    m_settingObservations.clear();
    log().debug(QStringLiteral("Deallocated"));
}

// --- Class-wide tables ---

const QStringList& TextEditorView::specialChars()
{
    static const QStringList chars { QStringLiteral(" "), QStringLiteral("\n"), QStringLiteral("\r") };
    return chars;
}

const QMap<QString, QString>& TextEditorView::autoPairDict()
{
    return classTables().pairs;
}

const RegExp* TextEditorView::autoBulletRegEx()
{
    return classTables().autoBullet.get();
}

const RegExp* TextEditorView::leadingTabRegEx()
{
    return classTables().leadingTab.get();
}

const RegExp* TextEditorView::autoBulletWithTaskRegEx()
{
    return classTables().autoBulletWithTask.get();
}

const RegExp* TextEditorView::autoCodeRegEx()
{
    return classTables().autoCode.get();
}

const RegExp* TextEditorView::orderedListRegEx()
{
    return classTables().orderedList.get();
}

// --- Set-up and settings ---

QStringList TextEditorView::readablePasteboardTypes() const
{
    return { QStringLiteral("text/plain") };
}

QString TextEditorView::basePath() const
{
    return QString();
}

void TextEditorView::awakeFromNib()
{
    setUsesFindBar(true);
    setAutomaticQuoteSubstitutionEnabled(false);
    registerForDraggedTypes(acceptableDragTypes());
    const QStringList keys { CorePrefs::PREVIEW_ENABLE_GFM, CorePrefs::EDITOR_AUTOPAIR, CorePrefs::EDITOR_AUTOBULLET,
        CorePrefs::EDITOR_AUTOPAIR_DOLLAR };
    for (const QString& key : keys)
        readSetting(key);
    m_settingObservations.clear();
    for (const QString& key : keys) {
        m_settingObservations.push_back(UserDefaults::standard().observe(
            key, this, [this](const QString& changed) { readSetting(changed); }));
    }
}

void TextEditorView::readSetting(const QString& key)
{
    const bool value = UserDefaults::standard().boolForKey(key);
    if (key == CorePrefs::PREVIEW_ENABLE_GFM)
        m_supportsGFM = value;
    else if (key == CorePrefs::EDITOR_AUTOPAIR)
        m_autoPair = value;
    else if (key == CorePrefs::EDITOR_AUTOBULLET)
        m_autoBullet = value;
    else if (key == CorePrefs::EDITOR_AUTOPAIR_DOLLAR)
        m_autoPairDollar = value;
}

// --- Escape, paste, line commands ---

bool TextEditorView::wantsCancelOperation() const
{
    return m_nextAutoInsertCommand || platform::TextView::wantsCancelOperation();
}

void TextEditorView::cancelOperation()
{
    if (!m_nextAutoInsertCommand) {
        platform::TextView::cancelOperation();
        return;
    }
    const std::shared_ptr<AutoInsertCommand> command = m_nextAutoInsertCommand;
    command->execute(QStringLiteral("ESC"), selectedRange().location, *this);
    dropPendingCommands();
}

bool TextEditorView::readSelectionFromPasteboard(const QMimeData* pasteboard, const QString& type)
{
    // Moved by what the view inserts: "\r\n" goes in as one "\n".
    if (pasteboard && pasteboard->hasText() && m_nextAutoInsertCommand)
        m_nextAutoInsertCommand->updateCurrentInsertLocation(selectedRange().location + insertedForm(pasteboard->text()).size());
    return platform::TextView::readSelectionFromPasteboard(pasteboard, type);
}

void TextEditorView::duplicateLine()
{
    PWAdditions::duplicateSelectedLines(*this);
}

void TextEditorView::moveLineDown()
{
    PWAdditions::moveLinesDown(*this);
}

void TextEditorView::moveLineUp()
{
    PWAdditions::moveLinesUp(*this);
}

void TextEditorView::nullifyInsertAction()
{
    m_autoPairInAction = false;
    m_lastInsertedPair.reset();
    dropPendingCommands();
}

void TextEditorView::registerNullifyInsertAction()
{
    QPointer<TextEditorView> self(this);
    undoManager()->registerUndo([self] {
        if (self)
            self->nullifyInsertAction();
    });
}

// --- Typing dispatcher ---

void TextEditorView::insertText(const QString& text)
{
    if (m_autoPairInAction || !m_autoPair || text.isEmpty()) {
        platform::TextView::insertText(text);
        return;
    }
    if (text == QStringLiteral("\t") || text == QStringLiteral("\n"))
        breakUndoCoalescing();
    const TextRange selection = selectedRange();
    const QString character = firstCharacter(text);
    if (handleAutoPairCharacter(character, text, selection))
        return;
    if (handleSpecialCaseCharacter(character, text, selection))
        return;
    auto [extra, command] = autoPairTypeWaitCharacter(text, selection.location);
    if (command)
        replacePendingCommand(command);
    if (m_nextAutoInsertCommand)
        m_nextAutoInsertCommand->updateCurrentInsertLocation(selection.location + text.size());
    platform::TextView::insertText(text + extra);
    if (command)
        setSelectedRange(TextRange(selection.location + text.size(), 0));
}

TextEditorView::Neighbours TextEditorView::leftRightCharactersAtLocation(qsizetype position) const
{
    Neighbours result;
    const QString& text = string();
    if (position > 0 && position < text.size())
        result.left = text.at(position);
    if (position + 1 >= 0 && position + 1 < text.size())
        result.right = text.at(position + 1);
    return result;
}

void TextEditorView::replacePendingCommand(std::shared_ptr<AutoInsertCommand> command)
{
    // A closer still waiting outside the new one ("]" around "**b**") is kept for later.
    if (std::dynamic_pointer_cast<AutoPairedCommand>(m_nextAutoInsertCommand))
        m_enclosingCommands.push_back(std::static_pointer_cast<AutoPairedCommand>(m_nextAutoInsertCommand));
    m_nextAutoInsertCommand = std::move(command);
}

void TextEditorView::dropPendingCommands()
{
    m_nextAutoInsertCommand.reset();
    m_enclosingCommands.clear();
}

bool TextEditorView::stepOverAutoInsertedRun(const QString& character, TextRange range)
{
    const QString& text = string();
    // A second backtick typed straight after the first is paired again: that is how a fence starts.
    if (range.length != 0 || (character == QStringLiteral("`") && range.location > 0 && text.at(range.location - 1) == u'`'))
        return false;
    const auto sitsAtCursor = [&](const AutoPairedCommand& command) {
        const QString& added = command.addedCharacters();
        return added.startsWith(character) && text.mid(range.location, added.size()) == added;
    };
    auto paired = std::dynamic_pointer_cast<AutoPairedCommand>(m_nextAutoInsertCommand);
    bool pending = paired && paired->location() == range.location && sitsAtCursor(*paired);
    if (!pending) {
        // The closer of an enclosing pair, once the inner run has been typed over.
        if (m_enclosingCommands.empty() || !sitsAtCursor(*m_enclosingCommands.back()))
            return false;
        paired = m_enclosingCommands.back();
        m_enclosingCommands.pop_back();
        m_nextAutoInsertCommand = paired;
    }
    m_lastInsertedPair.reset();
    const QString added = paired->addedCharacters();
    const qsizetype after = range.location + character.size();
    if (added.size() > character.size()) {
        auto rest = std::make_shared<AutoPairedCommand>(added.mid(character.size()));
        rest->updateCurrentInsertLocation(after);
        m_nextAutoInsertCommand = rest;
    } else {
        m_nextAutoInsertCommand.reset();
        // The enclosing closer right after the run is the next one to type over.
        if (!m_enclosingCommands.empty()) {
            const auto& enclosing = m_enclosingCommands.back();
            if (text.mid(after, enclosing->addedCharacters().size()) == enclosing->addedCharacters()) {
                enclosing->updateCurrentInsertLocation(after);
                m_nextAutoInsertCommand = enclosing;
                m_enclosingCommands.pop_back();
            }
        }
    }
    setSelectedRange(TextRange(after, 0));
    return true;
}

bool TextEditorView::handleAutoPairCharacter(const QString& character, const QString& input, TextRange range)
{
    const qsizetype location = range.location;
    // The closing run the view put in itself ("**" after "**b", "`" after "`c") is typed over
    // as a whole, so no stray closer is left behind the cursor.
    if (stepOverAutoInsertedRun(character, range))
        return true;
    if (m_lastInsertedPair && m_lastInsertedPair->character == character) {
        const QString stored = m_lastInsertedPair->character;
        const bool closes = autoPairDict().values().contains(stored) || stored == ASTERISK || stored == DOLLAR;
        if (closes) {
            m_lastInsertedPair.reset();
            const Neighbours around = leftRightCharactersAtLocation(location - 1);
            if (around.right && QString(*around.right) == character) {
                setSelectedRange(TextRange(location + 1, 0));
                return true;
            }
        }
    }
    QString closer = autoPairDict().value(character);
    if (range.length == 0) {
        if (closer.isEmpty())
            return false;
        if ((input == QStringLiteral("'") || input == QStringLiteral("\"")) && location != 0) {
            // The characters on either side of the caret, the first character of the text too:
            // a quote after a letter ("I'm") is never paired.
            const QString& text = string();
            Neighbours around;
            if (location - 1 < text.size())
                around.left = text.at(location - 1);
            if (location < text.size())
                around.right = text.at(location);
            if ((around.left && !isSpecial(around.left)) || (around.right && !isSpecial(around.right))) {
                platform::TextView::insertText(input);
                return true;
            }
        }
        registerNullifyInsertAction();
        m_autoPairInAction = true;
        platform::TextView::insertText(input + closer);
        m_lastInsertedPair.emplace(closer, location + 1);
        setSelectedRange(TextRange(location + 1, 0));
        auto command = std::make_shared<AutoPairedCommand>(closer);
        replacePendingCommand(command);
        command->updateCurrentInsertLocation(location + 1);
        m_autoPairInAction = false;
        return true;
    }
    if (character == ASTERISK || character == QStringLiteral("`"))
        closer = character;
    if (m_autoPairDollar && character == DOLLAR)
        closer = character;
    if (closer.isEmpty())
        return false;
    wrapSelection(character, closer);
    return true;
}

bool TextEditorView::handleSpecialCaseCharacter(const QString& character, const QString& input, TextRange range)
{
    const qsizetype location = range.location;
    const bool applies = location == 0 || character == ASTERISK || character == QStringLiteral("`")
        || specialChars().contains(character) || (m_autoPairDollar && character == DOLLAR);
    if (!applies)
        return false;
    if (character == QStringLiteral("\n")) {
        dropPendingCommands();
        m_lastInsertedPair.reset();
    }
    if (m_autoBullet && handleAutoCode(character, range))
        return true;
    if (m_autoBullet && handleAutoBulletForCharacter(character, range))
        return true;
    if (handleLeadingTabForCharacter(character, range))
        return true;
    if (input == ASTERISK)
        m_lastInsertedPair.emplace(ASTERISK, location);
    else if (input == DOLLAR)
        m_lastInsertedPair.emplace(DOLLAR, location);
    platform::TextView::insertText(input);
    return true;
}

TextEditorView::WaitResult TextEditorView::autoPairTypeWaitCharacter(const QString& input, qsizetype location)
{
    if (m_lastInsertedPair && m_lastInsertedPair->character == ASTERISK)
        return autoPairTypeWaitCharacter(input, location, ASTERISK);
    if (m_lastInsertedPair && m_lastInsertedPair->character == DOLLAR && m_autoPairDollar)
        return autoPairTypeWaitCharacter(input, location, DOLLAR);
    return { QString(), nullptr };
}

TextEditorView::WaitResult TextEditorView::autoPairTypeWaitCharacter(const QString&, qsizetype location,
    const QString& waitCharacter)
{
    const QString& text = string();
    const qsizetype end = std::min(location, text.size());
    if (end <= 0 || waitCharacter.size() != 1)
        return { QString(), nullptr };
    const QChar w = waitCharacter.at(0);
    qsizetype position = end - 1;
    QString run;
    while (position >= 0 && text.at(position) == w) {
        run += w;
        --position;
    }
    if (run.isEmpty())
        return { QString(), nullptr };
    const qsizetype start = position < 0 ? -1 : position + 1;
    const Neighbours around = leftRightCharactersAtLocation(start);
    if (around.left && *around.left != w && !isSpecial(around.left))
        return { QString(), nullptr };
    if (around.right && *around.right != w && !isSpecial(around.right))
        return { QString(), nullptr };
    auto command = std::make_shared<AutoPairedCommand>(run);
    registerNullifyInsertAction();
    return { run, command };
}

void TextEditorView::wrapSelection(const QString& prefix, const QString& suffix)
{
    WordFormatMenuItem item;
    item.setPrefix(prefix);
    item.setSuffix(suffix);
    item.setEndCursorOffset(0);
    item.decorateTextView(this);
}

// --- Lists, indentation, code fences ---

std::optional<QString> TextEditorView::lineTextForRange(TextRange range, TextRange* lineRange) const
{
    const TextRange line = lineRangeForRange(range);
    if (lineRange)
        *lineRange = line;
    if (!isOnCharacterBoundaries(string(), UTF16Range { line.location, line.length }))
        return std::nullopt;
    return substring(line);
}

bool TextEditorView::handleAutoBulletForCharacter(const QString& character, TextRange range)
{
    if (character != QStringLiteral("\n"))
        return false;
    TextRange line;
    const std::optional<QString> lineText = lineTextForRange(range, &line);
    if (line.location == range.location)
        return false;
    const RegExp* expression = m_supportsGFM ? autoBulletWithTaskRegEx() : autoBulletRegEx();
    if (!expression || !lineText)
        return false;
    const std::optional<QString> marker = firstMatch(*lineText, *expression);
    if (!marker)
        return false;
    const QString trimmed = trimmedOfNewlines(*lineText);
    if (trimmed.isEmpty())
        return false;
    if (*marker == trimmed) {
        platform::TextView::insertText(QStringLiteral("\n"), line);
        return true;
    }
    QString continuation;
    const QStringList ordered = orderedListRegEx() ? orderedListRegEx()->allMatches(*marker) : QStringList();
    if (ordered.size() >= 3)
        continuation = QLatin1Char('\n') + incrementedDecimal(ordered.at(1)) + ordered.at(2);
    else
        continuation = QLatin1Char('\n') + *marker;
    platform::TextView::insertText(continuation);
    return true;
}

bool TextEditorView::handleLeadingTabForCharacter(const QString& character, TextRange range)
{
    if (character != QStringLiteral("\n") || !leadingTabRegEx())
        return false;
    const std::optional<QString> lineText = lineTextForRange(range);
    if (!lineText)
        return false;
    const QStringList matches = leadingTabRegEx()->allMatches(*lineText);
    if (matches.size() != 2)
        return false;
    beginEditing();
    platform::TextView::insertText(QLatin1Char('\n') + matches.at(1));
    endEditing();
    return true;
}

bool TextEditorView::handleAutoCode(const QString& character, TextRange range)
{
    if (character != QStringLiteral("`"))
        return false;
    const std::optional<QString> lineText = lineTextForRange(range);
    if (lineText && autoCodeRegEx() && firstMatch(*lineText, *autoCodeRegEx())) {
        platform::TextView::insertText(QStringLiteral("`\n`"));
        setSelectedRange(TextRange(range.location + 1, 0));
        return true;
    }
    registerNullifyInsertAction();
    platform::TextView::insertText(QStringLiteral("``"));
    setSelectedRange(TextRange(range.location + 1, 0));
    auto command = std::make_shared<AutoPairedCommand>(QStringLiteral("`"));
    command->updateCurrentInsertLocation(range.location + 1);
    replacePendingCommand(command);
    return true;
}

bool TextEditorView::handleNextCommand(const QString& character, const QString& input, TextRange range)
{
    if (!m_nextAutoInsertCommand)
        return false;
    const std::shared_ptr<AutoInsertCommand> command = m_nextAutoInsertCommand;
    const CommandResult result = command->execute(character, range.location, *this);
    dropPendingCommands();
    switch (result) {
    case CommandResult::Error:
        platform::TextView::insertText(input);
        return true;
    case CommandResult::Handled:
        return true;
    case CommandResult::UnHandled:
        break;
    }
    return false;
}

// --- Tab ---

void TextEditorView::insertTab()
{
    if (insertSnippet())
        return;
    const TextRange selection = selectedRange();
    if (handleNextCommand(QStringLiteral("\t"), QStringLiteral("\t"), selection))
        return;
    if (!UserDefaults::standard().boolForKey(CorePrefs::EDITOR_USESPACES)) {
        platform::TextView::insertTab();
        return;
    }
    const qsizetype width = PWAdditions::tabWidth();
    const qsizetype column = PWAdditions::columnOfLocation(*this, selection.location, true);
    const qsizetype spaces = width - ((column + width) % width);
    platform::TextView::insertText(QString(spaces, QLatin1Char(' ')), selection);
}

bool TextEditorView::insertSnippet()
{
    const TextRange selection = selectedRange();
    const std::optional<SnippetManager::Expansion> expansion
        = SnippetManager::getSnippetToBeInsertedAtRange(selection, string());
    if (!expansion || !expansion->textToBeInserted || expansion->foundLocation < 0)
        return false;
    const auto* fragment = std::get_if<QTextDocumentFragment>(&*expansion->textToBeInserted);
    if (fragment && fragment->isEmpty())
        return false; // formatting failed: keep the shortcut rather than erase it
    breakUndoCoalescing();
    setAutomaticLinkDetectionEnabled(false);
    const TextRange replaced(expansion->foundLocation, selection.location - expansion->foundLocation);
    if (fragment)
        insertFragment(*fragment, replaced);
    else
        platform::TextView::insertText(std::get<QString>(*expansion->textToBeInserted), replaced);
    nullifyInsertAction();
    undoManager()->setActionName(snippetActionName(expansion->matchingString));
    return true;
}

QString TextEditorView::snippetActionName(const QString& matchingString)
{
    return QStringLiteral("Insert Snippet for @") + matchingString;
}

// --- Drag and drop events: the decisions live in TextEditorViewDragAndDrop.cpp ---

void TextEditorView::dragEnterEvent(QDragEnterEvent* event)
{
    const Qt::DropAction action = draggingEntered(event->mimeData(), event->possibleActions());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void TextEditorView::dragMoveEvent(QDragMoveEvent* event)
{
    const Qt::DropAction action = draggingUpdated(event->mimeData(), event->possibleActions());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void TextEditorView::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (prepareForDragOperation(data) && performDragOperation(data)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

bool TextEditorView::canInsertFromMimeData(const QMimeData* source) const
{
    return canInsertDroppedData(source);
}

void TextEditorView::insertFromMimeData(const QMimeData* source)
{
    insertDroppedData(source);
}

} // namespace penwick
