// File > Open with the real dialog, worked as a person works it: a file and a folder can both
// be chosen, by typing a name, by selecting in the list and pressing Open, or by a double click.
#include "PlainEditorViewController.h"

#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"
#include "TestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace penwick;

namespace {

QFileDialog* shownDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// The dialog's parts, found as a person finds them on the screen.
struct Panel {
    QFileDialog* dialog = nullptr;
    QLineEdit* nameField() const { return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }
    QPushButton* openButton() const
    {
        auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        return box ? box->button(QDialogButtonBox::Open) : nullptr;
    }
    QAbstractItemView* list() const
    {
        for (const char* name : { "treeView", "listView" }) {
            auto* view = dialog->findChild<QAbstractItemView*>(QLatin1String(name));
            if (view && view->isVisible())
                return view;
        }
        return nullptr;
    }
    QModelIndex row(const QString& path) const
    {
        auto* model = dialog->findChild<QFileSystemModel*>();
        QAbstractItemView* view = list();
        if (!model || !view)
            return {};
        const QModelIndex source = model->index(path);
        auto* proxy = view->model();
        if (!source.isValid())
            return {};
        if (proxy == model)
            return source;
        // The view may show the file system through a filter model.
        for (int r = 0; r < proxy->rowCount(view->rootIndex()); ++r) {
            const QModelIndex shown = proxy->index(r, 0, view->rootIndex());
            if (shown.data(QFileSystemModel::FilePathRole).toString() == path)
                return shown;
        }
        return {};
    }
    // Types a name into the name field, as keys.
    void typeName(const QString& text) const
    {
        nameField()->setFocus();
        nameField()->selectAll();
        QTest::keyClick(nameField(), Qt::Key_Backspace);
        QTest::keyClicks(nameField(), text);
    }
    // Goes into `folder` by typing its path and Return, as a person does to get somewhere.
    bool goTo(const QString& folder) const
    {
        typeName(folder + QLatin1Char('/'));
        QTest::keyClick(nameField(), Qt::Key_Return);
        return test::waitUntil([&] { return QDir(dialog->directory()).canonicalPath() == QDir(folder).canonicalPath(); }, 5000);
    }
    // Waits until the list shows `path` (the folder is read in the background).
    QModelIndex waitForRow(const QString& path) const
    {
        QModelIndex found;
        test::waitUntil([&] { return (found = row(path)).isValid() && list()->visualRect(found).isValid(); }, 10000);
        return found;
    }
    void select(const QList<QModelIndex>& rows) const
    {
        QAbstractItemView* view = list();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const QPoint at = view->visualRect(rows[i]).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier, at);
        }
    }
    void doubleClick(const QModelIndex& row) const
    {
        QAbstractItemView* view = list();
        const QPoint at = view->visualRect(row).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
};

// Runs `person` on the open dialog once it shows, while the controller's Open runs.
void whileTheDialogShows(const std::function<void(const Panel&)>& person)
{
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, person] {
        QFileDialog* dialog = shownDialog();
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        // The window manager gives the new dialog the focus.
        dialog->activateWindow();
        if (!test::waitUntil([&] { return dialog->isActiveWindow(); }, 5000))
            ADD_FAILURE() << "the dialog never became the active window";
        person(Panel { dialog });
        // A person who could not choose gives up, so the test ends.
        if (QFileDialog* still = shownDialog())
            still->reject();
    });
    poll->start();
}

class OpenPanel : public ::testing::Test {
protected:
    OpenPanel()
    {
        QDir().mkpath(dir + QStringLiteral("/docs"));
        for (const QString& name : { QStringLiteral("/first.md"), QStringLiteral("/docs/inner.md") }) {
            QFile file(dir + name);
            file.open(QIODevice::WriteOnly);
            file.write("# Text\n");
        }
    }
    ~OpenPanel() override
    {
        for (TVXDocument* document : QList<TVXDocument*>(controller.documents()))
            controller.removeDocument(document);
    }
    // What File > Open opened: file paths, folders marked with a trailing "/".
    QStringList opened() const
    {
        QStringList paths;
        for (TVXDocument* document : controller.documents())
            paths << QDir(document->filePath()).canonicalPath() + (document->isDirectory() ? QStringLiteral("/") : QString());
        paths.sort();
        return paths;
    }
    QString canonical(const QString& relative) const { return QDir(dir + relative).canonicalPath(); }

    QString dir = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
    TVXDocumentController controller;
};

} // namespace

TEST_F(OpenPanel, AFileOrAFolderIsChosenByNameBySelectionOrByADoubleClick)
{
    const QString file = canonical(QStringLiteral("/first.md"));
    const QString folder = canonical(QStringLiteral("/docs"));
    const QString inner = canonical(QStringLiteral("/docs/inner.md"));
    const struct {
        const char* how;
        std::function<void(const Panel&)> person;
        QStringList expected;
    } cases[] = {
        { "a file's name typed, then Open",
            [&](const Panel& panel) {
                ASSERT_TRUE(panel.goTo(dir));
                panel.typeName(QStringLiteral("first.md"));
                ASSERT_TRUE(test::waitUntil([&] { return panel.openButton()->isEnabled(); }, 5000)) << "Open stays disabled on a file";
                QTest::mouseClick(panel.openButton(), Qt::LeftButton);
            },
            { file } },
        { "a file selected in the list, then Open",
            [&](const Panel& panel) {
                ASSERT_TRUE(panel.goTo(dir));
                const QModelIndex row = panel.waitForRow(file);
                ASSERT_TRUE(row.isValid());
                panel.select({ row });
                ASSERT_TRUE(panel.openButton()->isEnabled()) << "Open stays disabled on a file";
                QTest::mouseClick(panel.openButton(), Qt::LeftButton);
            },
            { file } },
        { "a file double-clicked",
            [&](const Panel& panel) {
                ASSERT_TRUE(panel.goTo(dir));
                const QModelIndex row = panel.waitForRow(file);
                ASSERT_TRUE(row.isValid());
                panel.doubleClick(row);
            },
            { file } },
        { "a folder selected in the list, then Open",
            [&](const Panel& panel) {
                ASSERT_TRUE(panel.goTo(dir));
                const QModelIndex row = panel.waitForRow(folder);
                ASSERT_TRUE(row.isValid());
                panel.select({ row });
                ASSERT_TRUE(panel.openButton()->isEnabled());
                QTest::mouseClick(panel.openButton(), Qt::LeftButton);
            },
            { folder + QLatin1Char('/') } },
        { "a folder's name typed, then Return",
            [&](const Panel& panel) {
                ASSERT_TRUE(panel.goTo(dir));
                panel.typeName(QStringLiteral("docs"));
                ASSERT_TRUE(test::waitUntil([&] { return panel.openButton()->isEnabled(); }, 5000));
                QTest::keyClick(panel.nameField(), Qt::Key_Return);
            },
            { folder + QLatin1Char('/') } },
        { "a file and a folder selected together, then Open",
            [&](const Panel& panel) {
                ASSERT_TRUE(panel.goTo(dir));
                const QModelIndex fileRow = panel.waitForRow(file);
                const QModelIndex folderRow = panel.waitForRow(folder);
                ASSERT_TRUE(fileRow.isValid() && folderRow.isValid());
                panel.select({ folderRow, fileRow });
                QTest::mouseClick(panel.openButton(), Qt::LeftButton);
            },
            { file, folder + QLatin1Char('/') } },
        { "a folder double-clicked goes into it; a file there double-clicked",
            [&](const Panel& panel) {
                ASSERT_TRUE(panel.goTo(dir));
                const QModelIndex folderRow = panel.waitForRow(folder);
                ASSERT_TRUE(folderRow.isValid());
                panel.doubleClick(folderRow);
                ASSERT_TRUE(test::waitUntil([&] { return QDir(panel.dialog->directory()).canonicalPath() == folder; }, 5000));
                ASSERT_TRUE(panel.dialog->isVisible()) << "a double click on a folder goes into it";
                const QModelIndex row = panel.waitForRow(inner);
                ASSERT_TRUE(row.isValid());
                panel.doubleClick(row);
            },
            { inner } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        for (TVXDocument* document : QList<TVXDocument*>(controller.documents()))
            controller.removeDocument(document);
        bool shown = false;
        whileTheDialogShows([&](const Panel& panel) {
            shown = true;
            c.person(panel);
        });
        controller.openDocument(); // File > Open… (Ctrl+O)
        EXPECT_TRUE(shown);
        QStringList expected = c.expected;
        expected.sort();
        EXPECT_EQ(opened(), expected) << "opened: " << opened().join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(OpenPanel, CancelOpensNothingAndTheNewWindowBoxIsKept)
{
    whileTheDialogShows([&](const Panel& panel) {
        auto* box = panel.dialog->findChild<QCheckBox*>();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), QStringLiteral("Open in new window"));
        ASSERT_TRUE(box->isVisible());
        // On the box itself: the row is wider than the box and its title.
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(box->height() / 2, box->height() / 2));
        EXPECT_TRUE(box->isChecked());
        panel.dialog->reject();
    });
    controller.openDocument();
    EXPECT_TRUE(opened().isEmpty());
    EXPECT_TRUE(controller.openInNewWindowRequested());
}
