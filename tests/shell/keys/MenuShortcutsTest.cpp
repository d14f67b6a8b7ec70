// Every key of a document window's menus, typed on a real X keyboard (XTest on the program's
// own X server) into a window whose editor has the focus: each key belongs to one command only,
// and each reaches its command.
#include "X11TestClient.h"
#include "XvfbServer.h"
#include "common/EditorFontSize.h"
#include "shell/MainWindowLayout.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXTextEditorViewController.h"
#include "platform/text/TextView.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QShortcut>
#include <QShortcutEvent>

#include <gtest/gtest.h>

#include <functional>

using namespace penwick;

namespace {

// One owner of keys in the window: a menu item, or a shortcut of the window's own.
struct KeyHolder {
    QObject* owner = nullptr;
    QString where; // "Edit › Copy HTML"
    QList<QKeySequence> keys;
    bool mnemonic = false; // Alt+letter of a menu title: the bar's own, not typed here
};

QString plainTitle(QString title)
{
    return title.remove(QLatin1Char('&'));
}

void collectMenu(QMenu* menu, const QString& path, QList<KeyHolder>& holders, QSet<QObject*>& seen)
{
    for (QAction* action : menu->actions()) {
        const QString where = path + QStringLiteral(" › ") + plainTitle(action->text());
        if (action->menu())
            collectMenu(action->menu(), where, holders, seen);
        else if (!action->shortcuts().isEmpty() && !seen.contains(action)) {
            seen.insert(action);
            holders.append({ action, where, action->shortcuts() });
        }
    }
}

// Everything in the window that holds a key: the menu bar's items (submenus too), the
// mnemonics of its titles, and actions or shortcuts put on the window's widgets.
QList<KeyHolder> keyHolders(QMainWindow* window)
{
    QList<KeyHolder> holders;
    QSet<QObject*> seen;
    for (QAction* top : window->menuBar()->actions()) {
        if (!top->menu())
            continue;
        const QString title = top->text();
        const qsizetype amp = title.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < title.size())
            holders.append({ top, plainTitle(title) + QStringLiteral(" (menu title)"),
                { QKeySequence(Qt::ALT | Qt::Key(title.at(amp + 1).toUpper().unicode())) }, true });
        collectMenu(top->menu(), plainTitle(title), holders, seen);
    }
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        // Widgets of other windows (the external preview) hold keys of their own window.
        if (qobject_cast<QMenu*>(widget) || qobject_cast<QMenuBar*>(widget) || widget->window() != window)
            continue;
        for (QAction* action : widget->actions()) {
            if (!action->shortcuts().isEmpty() && !seen.contains(action)) {
                seen.insert(action);
                holders.append({ action, QStringLiteral("%1 (action on %2)").arg(action->text(), widget->metaObject()->className()),
                    action->shortcuts() });
            }
        }
    }
    for (QShortcut* shortcut : window->findChildren<QShortcut*>()) {
        auto* owner = qobject_cast<QWidget*>(shortcut->parent());
        if (!shortcut->key().isEmpty() && owner && owner->window() == window)
            holders.append({ shortcut, QStringLiteral("shortcut on the window"), shortcut->keys() });
    }
    return holders;
}

// Takes the shortcut events of the holders (so that nothing runs) and notes who got one.
class ShortcutRecorder : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Shortcut)
            return false;
        received.append({ watched, static_cast<QShortcutEvent*>(event)->isAmbiguous() });
        return true;
    }
    struct Receipt {
        QObject* owner;
        bool ambiguous;
    };
    QList<Receipt> received;
};

// The edit commands the focused text view answers itself, with the same effect as the item.
const QStringList kTextViewCommands { QStringLiteral("Edit › Undo"), QStringLiteral("Edit › Redo"),
    QStringLiteral("Edit › Cut"), QStringLiteral("Edit › Copy"), QStringLiteral("Edit › Paste"),
    QStringLiteral("Edit › Select All"), QStringLiteral("Edit › Find…") };

bool textViewTakesKey(QWidget* focus, QKeyCombination combination)
{
    QKeyEvent override(QEvent::ShortcutOverride, combination.key(), combination.keyboardModifiers());
    override.ignore();
    QApplication::sendEvent(focus, &override);
    return override.isAccepted();
}

class MenuShortcuts : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TVXTextEditorViewController::installAsEditorFactory(); }

    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        delegate.setWindowFactory([this] { return MainWindowLayout::makeDocumentWindow(&delegate); });
        delegate.applicationWillFinishLaunching({ QStringLiteral("Penwick") });
        const QString path = test::temporaryFolder() + QStringLiteral("/keys.md");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# Keys\n\nSome text.\n");
        file.close();
        delegate.openPaths({ path });
        ASSERT_EQ(delegate.windowControllers().size(), 1);
        controller = delegate.windowControllers().first();
        controller->window()->setGeometry(40, 40, 1100, 720);
        controller->showWindow();
        ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == controller->window(); }));
        editor = controller->getActiveEditorTextView();
        ASSERT_NE(editor, nullptr);
        editor->setFocus();
        ASSERT_TRUE(test::waitUntil([&] { QWidget* focus = QApplication::focusWidget();
            return focus && (focus == editor || editor->isAncestorOf(focus)); }));
    }

    TVXDocumentController documents;
    TVXAppDelegate delegate { &documents };
    TVXDocumentWindowController* controller = nullptr;
    platform::TextView* editor = nullptr;
};

} // namespace

TEST_F(MenuShortcuts, NoKeyIsHeldByTwoCommands)
{
    const QList<KeyHolder> holders = keyHolders(controller->window());
    ASSERT_GT(holders.size(), 30) << "the menus were not found";
    QStringList clashes;
    for (qsizetype i = 0; i < holders.size(); ++i) {
        for (qsizetype j = i + 1; j < holders.size(); ++j) {
            for (const QKeySequence& keys : holders[i].keys) {
                if (holders[j].keys.contains(keys))
                    clashes << QStringLiteral("%1 is held by %2 and by %3")
                                   .arg(keys.toString(QKeySequence::PortableText), holders[i].where, holders[j].where);
            }
        }
    }
    EXPECT_TRUE(clashes.isEmpty()) << clashes.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MenuShortcuts, EveryKeyTypedOnAnX11KeyboardReachesItsCommand)
{
    const QList<KeyHolder> holders = keyHolders(controller->window());
    ShortcutRecorder recorder;
    for (const KeyHolder& holder : holders)
        holder.owner->installEventFilter(&recorder);
    // Typed after each key: when it has arrived, so has everything typed before it. Not with
    // Ctrl+Alt: on an X11 keyboard Ctrl+Alt+F12 is the key that switches to the twelfth
    // console, which the toolkit matches against shortcuts only now and then.
    const QKeySequence sentinelKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_F12);
    for (const KeyHolder& holder : holders)
        ASSERT_FALSE(holder.keys.contains(sentinelKeys)) << "the test's own key is taken by " << holder.where.toStdString();
    QShortcut sentinel(sentinelKeys, controller->window());
    sentinel.setContext(Qt::ApplicationShortcut);
    int sentinels = 0;
    QObject::connect(&sentinel, &QShortcut::activated, [&] { ++sentinels; });

    test::X11TestClient keyboard;
    ASSERT_TRUE(keyboard.isConnected());
    QStringList faults;
    int typed = 0;
    for (const KeyHolder& holder : holders) {
        if (holder.mnemonic)
            continue;
        for (const QKeySequence& keys : holder.keys) {
            const QString name = keys.toString(QKeySequence::NativeText);
            recorder.received.clear();
            bool typeable = true;
            for (int k = 0; k < keys.count() && typeable; ++k)
                typeable = keyboard.typeCombination(keys[k]);
            if (!typeable) {
                faults << QStringLiteral("%1 (%2): no key of an X11 keyboard gives it").arg(name, holder.where);
                continue;
            }
            ++typed;
            const int before = sentinels;
            ASSERT_TRUE(keyboard.typeCombination(sentinelKeys[0]));
            ASSERT_TRUE(test::waitUntil([&] { return sentinels > before; })) << "typed keys stopped arriving after " << name.toStdString();
            ASSERT_EQ(QApplication::activeWindow(), controller->window()) << name.toStdString() << " left the window";
            const bool reached = recorder.received.size() == 1 && recorder.received.first().owner == holder.owner;
            if (reached && !recorder.received.first().ambiguous)
                continue;
            if (reached) {
                faults << QStringLiteral("%1 (%2): ambiguous, so it does nothing").arg(name, holder.where);
                continue;
            }
            if (recorder.received.isEmpty() && kTextViewCommands.contains(holder.where)
                && textViewTakesKey(QApplication::focusWidget(), keys[0]))
                continue; // the text view does the same command itself
            QStringList others;
            for (const auto& receipt : recorder.received) {
                for (const KeyHolder& other : holders) {
                    if (other.owner == receipt.owner)
                        others << other.where;
                }
            }
            faults << QStringLiteral("%1 (%2): does not arrive; %3")
                          .arg(name, holder.where,
                              others.isEmpty() ? QStringLiteral("nothing got it") : QStringLiteral("went to ") + others.join(QStringLiteral(", ")));
        }
    }
    EXPECT_GT(typed, 30);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MenuShortcuts, ZoomInAnswersCtrlEqualsAsWellAsCtrlPlus)
{
    test::X11TestClient keyboard;
    EditorFontSize::store(EditorFontSize::ActualSize);
    const struct {
        const char* typed;
        QKeyCombination keys;
    } presses[] = {
        { "Ctrl+=", Qt::CTRL | Qt::Key_Equal },
        { "Ctrl+Shift+= (Ctrl++)", Qt::CTRL | Qt::Key_Plus },
    };
    for (const auto& press : presses) {
        SCOPED_TRACE(press.typed);
        const double before = EditorFontSize::stored();
        ASSERT_TRUE(keyboard.typeCombination(press.keys));
        EXPECT_TRUE(test::waitUntil([&] { return EditorFontSize::stored() == before + 1.0; }, 5000));
    }
    EditorFontSize::store(EditorFontSize::ActualSize);
}

TEST_F(MenuShortcuts, RedoAnswersCtrlYAsWellAsCtrlShiftZ)
{
    test::X11TestClient keyboard;
    const struct {
        const char* typed;
        QKeyCombination keys;
    } presses[] = {
        { "Ctrl+Shift+Z", Qt::CTRL | Qt::SHIFT | Qt::Key_Z },
        { "Ctrl+Y", Qt::CTRL | Qt::Key_Y },
    };
    for (const auto& press : presses) {
        SCOPED_TRACE(press.typed);
        const QString before = editor->string();
        editor->setSelectedRange(platform::TextRange(0, 0));
        editor->insertText(QStringLiteral("redone "));
        const QString typed = editor->string();
        ASSERT_NE(typed, before);
        editor->undo();
        ASSERT_EQ(editor->string(), before);
        ASSERT_TRUE(keyboard.typeCombination(press.keys));
        EXPECT_TRUE(test::waitUntil([&] { return editor->string() == typed; }, 5000));
    }
}

TEST_F(MenuShortcuts, ItemTitlesEndInAnEllipsisCharacter)
{
    // Titles the documents give their own items, word for word.
    const QStringList documentTitles { QStringLiteral("Save..."), QStringLiteral("Save Scratch to File..."),
        QStringLiteral("Save Shadow to File...") };
    QStringList dotted;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            if (action->menu())
                walk(action->menu());
            else if (action->text().endsWith(QStringLiteral("...")) && !documentTitles.contains(action->text()))
                dotted << action->text();
        }
    };
    for (QAction* top : controller->window()->menuBar()->actions()) {
        if (top->menu()) {
            emit top->menu()->aboutToShow(); // submenus filled on opening
            walk(top->menu());
        }
    }
    EXPECT_TRUE(dotted.isEmpty()) << dotted.join(QStringLiteral(", ")).toStdString();
}
