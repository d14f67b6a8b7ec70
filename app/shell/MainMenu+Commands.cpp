#include "shell/MainMenu.h"

#include "Extensions/LineFormatMenuItem.h"
#include "Extensions/WordFormatMenuItem.h"
#include "preview/PreviewPane.h"
#include "shell/DocumentBaseURLHandler.h"
#include "shell/MainWindowLayout.h"
#include "shell/TVXDocumentWindowController.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

namespace penwick {

namespace {

using Command = TVXDocumentWindowController::Command;

struct WordItem {
    const char* title;
    QKeySequence keys;
    QString prefix;
    QString suffix;
};

struct LineItem {
    const char* title;
    QKeySequence keys;
    QString prefix;
    bool skipEmptyLines;
};

} // namespace

// --- Markdown: the format items ---

void MainMenu::buildMarkdownMenu()
{
    m_markdown = menuBar()->addMenu(tr("&Markdown"));
    QPointer<TVXDocumentWindowController> controller = m_controller;
    const auto hook = [this, controller](WordFormatMenuItem* item, const QKeySequence& keys) {
        item->setShortcut(keys);
        m_markdown->addAction(item);
        connect(item, &QAction::triggered, item, [controller, item] {
            if (controller)
                controller->markdownFormat(item);
        });
    };
    const WordItem words[] = {
        { "Bold", QKeySequence(Qt::CTRL | Qt::Key_B), QStringLiteral("**"), QStringLiteral("**") },
        { "Italic", QKeySequence(Qt::CTRL | Qt::Key_I), QStringLiteral("_"), QStringLiteral("_") },
        { "Strikethrough", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), QStringLiteral("~~"), QStringLiteral("~~") },
        { "Inline Code", QKeySequence(Qt::CTRL | Qt::Key_QuoteLeft), QStringLiteral("`"), QStringLiteral("`") },
        { "Link", QKeySequence(Qt::CTRL | Qt::Key_K), QStringLiteral("["), QStringLiteral("]()") },
        { "Image", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K), QStringLiteral("!["), QStringLiteral("]()") },
    };
    for (const WordItem& word : words) {
        auto* item = new WordFormatMenuItem(tr(word.title), m_markdown);
        item->setPrefix(word.prefix);
        item->setSuffix(word.suffix);
        hook(item, word.keys);
    }
    m_markdown->addSeparator();
    const LineItem lines[] = {
        { "Heading 1", QKeySequence(Qt::CTRL | Qt::Key_1), QStringLiteral("# "), false },
        { "Heading 2", QKeySequence(Qt::CTRL | Qt::Key_2), QStringLiteral("## "), false },
        { "Heading 3", QKeySequence(Qt::CTRL | Qt::Key_3), QStringLiteral("### "), false },
        { "Quote", QKeySequence(Qt::CTRL | Qt::Key_Apostrophe), QStringLiteral("> "), false },
        { "Bulleted List", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L), QStringLiteral("- "), true },
        { "Numbered List", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), kNumberedListTemplate, true },
        { "Task List", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), QStringLiteral("- [ ] "), true },
        { "Indent", QKeySequence(Qt::CTRL | Qt::Key_BracketRight), kShiftRightTemplate, false },
        { "Unindent", QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), kShiftLeftTemplate, false },
    };
    for (const LineItem& line : lines) {
        auto* item = new LineFormatMenuItem(tr(line.title), m_markdown);
        item->setPrefix(line.prefix);
        item->setSkipEmptyLines(line.skipEmptyLines);
        hook(item, line.keys);
    }
}

// --- The window's commands in the other menus ---

void MainMenu::addWindowCommands()
{
    QPointer<TVXDocumentWindowController> controller = m_controller;
    QPointer<MainWindowLayout> layout = m_layout;
    const auto command = [this](QAction* item, Command which) { m_windowCommands.insert(item, int(which)); };

    m_file->addSeparator();
    command(addItem(m_file, tr("Quick Open…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), [controller] {
        if (controller)
            controller->openQuickly();
    }),
        Command::OpenQuickly);
    command(addItem(m_file, tr("Save Note to File…"), {}, [controller] {
        if (controller)
            controller->saveMiniDocumentToFile();
    }),
        Command::SaveMiniDocumentToFile);

    m_edit->addSeparator();
    command(addItem(m_edit, tr("Copy Selection as Formatted Text"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C), [controller] {
        if (controller)
            controller->copySelectedTextAsFormattedText();
    }),
        Command::CopySelectedTextAsFormattedText);
    addItem(m_edit, tr("Copy All as Formatted Text"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_C), [controller] {
        if (controller)
            controller->copyAllTextAsFormattedText();
    });

    m_view->addSeparator();
    addItem(m_view, tr("Document Outline"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O), [controller, layout] {
        if (controller && layout && layout->editorOutlineButton())
            controller->showEditorOutlines(layout->editorOutlineButton());
    });
    addItem(m_view, tr("Preview Outline"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_O), [controller, layout] {
        if (controller && layout && layout->previewPane())
            controller->showPreviewOutlines(layout->previewPane()->outlineButton());
    });
    command(addItem(m_view, tr("Jump to Sidebar"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J), [controller] {
        if (controller)
            controller->jumpToSidebar();
    }),
        Command::JumpToSidebar);
    command(addItem(m_view, tr("Jump to Editor"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), [controller] {
        if (controller)
            controller->jumpToEditor();
    }),
        Command::JumpToEditor);
    m_view->addSeparator();
    QMenu* baseURLs = m_view->addMenu(tr("Document Base URL"));
    auto* handler = new DocumentBaseURLHandler(this);
    handler->setBaseURLsMenu(baseURLs);
    handler->awakeFromNib();

    const struct {
        const char* title;
        Command which;
    } tabItems[] = {
        { "Select Next Tab", Command::GotoNextDoc },
        { "Select Previous Tab", Command::GotoPrevDoc },
        { "Switch to Recent Tab", Command::GotoNextDocInStack },
        { "Switch to Earlier Tab", Command::GotoPrevDocInStack },
    };
    for (const auto& tab : tabItems) {
        if (QAction* item = findItem(tr(tab.title)))
            command(item, tab.which);
    }

    for (QMenu* menu : { m_file, m_edit, m_view, m_window }) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { validateWindowCommands(menu); });
        // Keys reach the commands while no menu is open: each command checks the window itself.
        connect(menu, &QMenu::aboutToHide, this, [this, menu] {
            for (QAction* item : menu->actions()) {
                if (m_windowCommands.contains(item))
                    item->setEnabled(true);
            }
        });
    }
}

void MainMenu::validateWindowCommands(QMenu* menu)
{
    if (!m_controller)
        return;
    for (QAction* item : menu->actions()) {
        const auto found = m_windowCommands.constFind(item);
        if (found == m_windowCommands.constEnd())
            continue;
        QString title;
        item->setEnabled(m_controller->validateCommand(Command(found.value()), &title));
        if (!title.isEmpty())
            item->setText(title);
    }
}

} // namespace penwick
