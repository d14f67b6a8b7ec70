#pragma once

#include "../support/RecordingNoteDocuments.h"
#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "sidebar/FavoriteDBItem.h"
#include "sidebar/NoteSections.h"
#include "sidebar/SourceListController.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

#include <deque>
#include <memory>

#include <gtest/gtest.h>

namespace penwick::test {

// Answers the real message boxes the sections show, in order, with the named button, and
// writes down what each showed: "text|informative|button,button".
class AlertAnswerer : public QObject {
public:
    AlertAnswerer()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { answer(); });
        m_timer.start();
    }
    void expect(const QString& button) { m_answers.push_back(button); }
    QStringList shown;

private:
    void answer()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        QStringList buttons;
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        shown << box->text() + "|" + box->informativeText() + "|" + buttons.join(',');
        const QString wanted = m_answers.empty() ? QString() : m_answers.front();
        if (!m_answers.empty())
            m_answers.pop_front();
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == wanted) {
                button->click();
                return;
            }
        }
        box->reject();
    }
    QTimer m_timer;
    std::deque<QString> m_answers;
};

// Records every "miniNoteEdited" posted while it lives.
class MiniNoteEditedRecorder {
public:
    MiniNoteEditedRecorder()
    {
        m_observation = platform::NotificationCenter::defaultCenter().observe(Notifications::MINI_NOTE_TITLE_EDITED, nullptr,
            [this](const platform::Notification& n) { posted << n.userInfo; });
    }
    QList<QVariantMap> posted;

private:
    platform::Observation m_observation;
};

// A real list with its controller over a database of its own.
class NotesFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSettings();
        folder = temporaryFolder();
        FavoriteDBItem::registerSchema();
        ASSERT_TRUE(RealmSetup::setupInFolder(folder));
        list.resize(320, 600);
        list.setMenuPresenter([](QMenu&, const QPoint&) {});
        list.show();
    }
    void TearDown() override
    {
        controller.close();
        RealmSetup::close();
        resetSettings();
    }

    static void resetSettings()
    {
        auto& defaults = platform::UserDefaults::standard();
        for (const QString& key : { Prefs::OUTLINE_COLLAPSE_SHADOWS, Prefs::SORTING_SHADOW_BY, Prefs::SORTING_SHADOW_ORDER,
                 Prefs::OUTLINE_COLLAPSE_SCRATCHES, Prefs::SORTING_SCRATCH_BY, Prefs::SORTING_SCRATCH_ORDER,
                 Prefs::OUTLINE_COLLAPSE_FAVORITES, Prefs::SORTING_FAVORITES_BY, Prefs::SORTING_FAVORITES_ORDER })
            defaults.removeObject(key);
    }
    static void setSort(const QString& byKey, int by, const QString& orderKey, int order)
    {
        platform::UserDefaults::standard().setValue(byKey, by);
        platform::UserDefaults::standard().setValue(orderKey, order);
    }

    static QDateTime at(int minutes) { return QDateTime(QDate(2024, 3, 1), QTime(9, 0), Qt::UTC).addSecs(minutes * 60); }

    template <class Record>
    static void store(const QList<Record>& records)
    {
        const auto error = Realm::write([&](RealmTransaction& tx) {
            for (const auto& r : records)
                tx.add(r);
        });
        ASSERT_FALSE(error.has_value()) << error->message.toStdString();
    }
    static ShadowDocument shadow(const QString& id, const QString& title, const QString& sourceId, const QString& sourceName, int created)
    {
        ShadowDocument note;
        note.setId(id);
        note.setTitle(title);
        note.setPath("/docs/" + id + ".md");
        note.setSourceIdentifier(sourceId);
        note.setSourceName(sourceName);
        note.setCreatedDate(at(created));
        note.setUpdatedDate(at(created));
        return note;
    }
    static ScratchDocument scratch(const QString& id, const QString& title, int created, int updated = -1)
    {
        ScratchDocument note;
        note.setId(id);
        note.setTitle(title);
        note.setCreatedDate(at(created));
        note.setUpdatedDate(at(updated < 0 ? created : updated));
        return note;
    }

    static QStringList titles(const TreeListItemPtr& item)
    {
        QStringList out;
        for (const auto& child : item->children())
            out << child->title();
        return out;
    }
    QStringList visibleTitles() const
    {
        QStringList out;
        for (int r = 0; r < list.numberOfRows(); ++r)
            out << list.itemAtRow(r)->title();
        return out;
    }
    static QStringList menuTitles(const std::unique_ptr<QMenu>& menu)
    {
        QStringList out;
        for (QAction* action : menu->actions())
            out << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return out;
    }
    static void trigger(const std::unique_ptr<QMenu>& menu, const QString& title)
    {
        for (QAction* action : menu->actions()) {
            if (action->text() == title) {
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no menu entry " << title.toStdString();
    }

    // Another program writing to the same file: the test helper, as the mini program would.
    int runHelper(const QStringList& arguments) const
    {
        QProcess helper;
        helper.start(QStringLiteral(PENWICK_DATABASE_HELPER), arguments);
        if (!helper.waitForFinished(30000))
            return -1;
        return helper.exitCode();
    }

    QString folder;
    TreeListView list;
    SourceListController controller { &list };
    RecordingFavorites favorites;
    RecordingNoteDocuments notes;
};

} // namespace penwick::test
