#include "DatabaseTestSupport.h"

#include "Models/RealPreviewItem.h"
#include "Models/ScratchDocument.h"
#include "Models/ScriptAssetItem.h"
#include "Models/ShadowDocument.h"
#include "Models/Snippet.h"
#include "Models/SnippetGroup.h"

using namespace penwick;

namespace {

class Queries : public penwick::test::DatabaseTest {};

Snippet snippet(const QString& shortcut)
{
    Snippet s;
    s.setId(makeRecordId());
    s.setShortcut(shortcut);
    s.setContent(QStringLiteral("content of '%1'").arg(shortcut));
    return s;
}

TEST_F(Queries, FindByShortcutSplitsOffTheModifier)
{
    store(QList<Snippet> { snippet(QStringLiteral("toc")), snippet(QStringLiteral("Toc")), snippet(QStringLiteral("a.b")),
        snippet(QString(QLatin1String(""))), snippet(QStringLiteral("toc.")) });

    struct Case {
        std::optional<QString> text;
        std::optional<QString> lookedUp; // shortcut of the snippet found; none when none matches
        std::optional<QString> modifier;
    };
    const Case cases[] = {
        { QStringLiteral("toc"), QStringLiteral("toc"), QStringLiteral("toc") },
        { QStringLiteral("toc.h"), QStringLiteral("toc"), QStringLiteral("h") },
        { QStringLiteral("toc.f"), QStringLiteral("toc"), QStringLiteral("f") },
        { QStringLiteral("Toc"), QStringLiteral("Toc"), QStringLiteral("Toc") },
        { QStringLiteral("TOC"), std::nullopt, QStringLiteral("TOC") },
        { QStringLiteral("a.b.f"), QStringLiteral("a.b"), QStringLiteral("f") },
        { QStringLiteral("a.b"), QStringLiteral("a.b"), QStringLiteral("b") },
        { QStringLiteral("h"), QString(QLatin1String("")), QStringLiteral("h") },
        { QStringLiteral("toc..h"), QStringLiteral("toc"), QStringLiteral("h") },
        { QStringLiteral("toc."), QStringLiteral("toc."), QStringLiteral("toc") },
        { QString(QLatin1String("")), QString(QLatin1String("")), std::nullopt },
        { QStringLiteral("..."), std::nullopt, std::nullopt },
        { QStringLiteral("toc.x"), std::nullopt, QStringLiteral("x") },
        { QStringLiteral("missing"), std::nullopt, QStringLiteral("missing") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text->toStdString());
        StoreError error;
        const auto found = Snippet::findByShortcut(c.text, &error);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->modifier, c.modifier);
        ASSERT_EQ(found->snippet.has_value(), c.lookedUp.has_value());
        if (c.lookedUp) {
            EXPECT_EQ(found->snippet->shortcut(), *c.lookedUp);
        }
    }
    EXPECT_FALSE(Snippet::findByShortcut(std::nullopt).has_value());
}

TEST_F(Queries, FindGroupByTitleIgnoresCaseAndTakesTheFirst)
{
    SnippetGroup work, notes, notesAgain, untitled, accented;
    for (auto* g : { &work, &notes, &notesAgain, &untitled, &accented })
        g->setId(makeRecordId());
    work.setTitle(QStringLiteral("Work"));
    notes.setTitle(QStringLiteral("Notes"));
    notesAgain.setTitle(QStringLiteral("notes"));
    accented.setTitle(QStringLiteral("\u00c9t\u00c9"));
    store(QList<SnippetGroup> { work, notes, notesAgain, untitled, accented });

    auto found = SnippetGroup::findGroupByTitle(QStringLiteral("NOTES"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->id(), notes.id());
    found = SnippetGroup::findGroupByTitle(QStringLiteral("\u00e9t\u00e9"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->id(), accented.id());
    found = SnippetGroup::findGroupByTitle(QString(QLatin1String("")));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->id(), untitled.id());
    EXPECT_FALSE(SnippetGroup::findGroupByTitle(QStringLiteral("Note")));
}

TEST_F(Queries, FetchAllItemsKeepsInsertionOrderThroughUpdates)
{
    QList<ScratchDocument> notes;
    for (const char* title : { "zeta", "alpha", "mu", "beta" }) {
        ScratchDocument n;
        n.setId(makeRecordId());
        n.setTitle(QString::fromLatin1(title));
        notes << n;
        store(QList<ScratchDocument> { n });
    }
    notes[0].setContent(QStringLiteral("edited later"));
    store(QList<ScratchDocument> { notes[0] });
    EXPECT_EQ(ScratchDocument::fetchAllItems(), notes);

    QList<ShadowDocument> shadows;
    QList<SnippetGroup> groups;
    QList<Snippet> snippets;
    for (int i = 0; i < 5; ++i) {
        ShadowDocument s;
        s.setId(makeRecordId());
        s.setPath(QStringLiteral("/d/%1").arg(4 - i));
        shadows << s;
        SnippetGroup g;
        g.setId(makeRecordId());
        g.setTitle(QString::number(4 - i));
        groups << g;
        snippets << snippet(QString::number(4 - i));
    }
    store(shadows);
    store(groups);
    store(snippets);
    EXPECT_EQ(ShadowDocument::fetchAllItems(), shadows);
    EXPECT_EQ(SnippetGroup::fetchAllItems(), groups);
    EXPECT_EQ(Snippet::fetchAllItems(), snippets);
}

TEST_F(Queries, ScriptAssetsComeAscendingByOrderWithTiesInInsertionOrder)
{
    QList<ScriptAssetItem> items;
    for (qint64 order : { 5, -1, 5, 3, 100 }) {
        ScriptAssetItem item;
        item.setId(makeRecordId());
        item.setOrder(order);
        item.setUrl(QStringLiteral("https://cdn.example.org/%1.js").arg(items.size()));
        items << item;
    }
    store(items);
    const auto fetched = ScriptAssetItem::fetchAllItems();
    ASSERT_EQ(fetched.size(), 5);
    EXPECT_EQ(fetched[0].id(), items[1].id());
    EXPECT_EQ(fetched[1].id(), items[3].id());
    EXPECT_EQ(fetched[2].id(), items[0].id());
    EXPECT_EQ(fetched[3].id(), items[2].id());
    EXPECT_EQ(fetched[4].id(), items[4].id());
}

TEST_F(Queries, EmptyDatabaseGivesEmptyResults)
{
    StoreError error;
    error.code = StoreErrorCode::Cancelled; // untouched on success
    EXPECT_TRUE(ScratchDocument::fetchAllItems(&error).isEmpty());
    EXPECT_TRUE(ShadowDocument::fetchAllItems(&error).isEmpty());
    EXPECT_TRUE(Snippet::fetchAllItems(&error).isEmpty());
    EXPECT_TRUE(SnippetGroup::fetchAllItems(&error).isEmpty());
    EXPECT_TRUE(ScriptAssetItem::fetchAllItems(&error).isEmpty());
    EXPECT_FALSE(SnippetGroup::findGroupByTitle(QStringLiteral("x"), &error));
    EXPECT_FALSE(Snippet::findByShortcut(QStringLiteral("x"), &error)->snippet);
    EXPECT_EQ(error.code, StoreErrorCode::Cancelled);
}

// Note URLs -------------------------------------------------------------------------------

TEST(NoteURLs, ScratchNoteUrlCarriesIdAsHostAndTitleInQuery)
{
    ScratchDocument note;
    note.setId(makeRecordId());
    note.setTitle(QStringLiteral("Shopping"));
    const auto [url, title] = note.makePathURLAndTitle();
    ASSERT_TRUE(url);
    EXPECT_EQ(title, QStringLiteral("Shopping"));
    EXPECT_EQ(url->scheme(), QStringLiteral("pwscratch"));
    EXPECT_EQ(url->host(), note.id());
    EXPECT_TRUE(url->path().isEmpty());
    EXPECT_EQ(url->toString(QUrl::FullyEncoded), QStringLiteral("pwscratch://%1?title=Shopping").arg(note.id()));
}

TEST(NoteURLs, TitlesAreEscapedOnlyWhereAQueryNeedsIt)
{
    const QString id = makeRecordId();
    struct Case {
        QString title;
        QString query;
    };
    const Case cases[] = {
        { QStringLiteral("a&b=c/d?e"), QStringLiteral("title=a&b=c/d?e") },
        { QStringLiteral("two words"), QStringLiteral("title=two%20words") },
        { QStringLiteral("50% #1"), QStringLiteral("title=50%25%20%231") },
        { QStringLiteral("caf\u00e9"), QStringLiteral("title=caf%C3%A9") },
        { QStringLiteral("x+y:z@w;!$'()*,~-._"), QStringLiteral("title=x+y:z@w;!$'()*,~-._") },
        { QStringLiteral("<a> \"q\" [b] {c} |\\^`"), QStringLiteral("title=%3Ca%3E%20%22q%22%20%5Bb%5D%20%7Bc%7D%20%7C%5C%5E%60") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        ScratchDocument note;
        note.setId(id);
        note.setTitle(c.title);
        const auto [url, title] = note.makePathURLAndTitle();
        ASSERT_TRUE(url);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(url->query(QUrl::FullyEncoded), c.query);
        EXPECT_EQ(url->toString(QUrl::FullyEncoded), QStringLiteral("pwscratch://") + id + QLatin1Char('?') + c.query);
    }
}

TEST(NoteURLs, UntitledScratchNoteHasEmptyTitle)
{
    ScratchDocument note;
    note.setId(makeRecordId());
    const auto [url, title] = note.makePathURLAndTitle();
    ASSERT_TRUE(url);
    EXPECT_TRUE(title.isEmpty());
    EXPECT_EQ(url->query(QUrl::FullyEncoded), QStringLiteral("title="));
}

TEST(NoteURLs, UntitledShadowNoteIsNamedAfterItsPath)
{
    const struct {
        QString path;
        QString title;
    } cases[] = {
        { QStringLiteral("/home/ann/Report.txt"), QStringLiteral("Report.txt") },
        { QStringLiteral("/home/ann/Drafts/"), QStringLiteral("Drafts") },
        { QStringLiteral("Report.txt"), QStringLiteral("Report.txt") },
        { QStringLiteral("/"), QStringLiteral("/") },
        { QString(), QString() },
    };
    for (const auto& c : cases) {
        ShadowDocument note;
        note.setId(makeRecordId());
        note.setPath(c.path);
        const auto [url, title] = note.makePathURLAndTitle();
        ASSERT_TRUE(url);
        EXPECT_EQ(title, c.title) << c.path.toStdString();
        EXPECT_EQ(url->scheme(), QStringLiteral("pwshadow"));
        EXPECT_EQ(url->host(), note.id());
    }
    ShadowDocument titled;
    titled.setId(makeRecordId());
    titled.setPath(QStringLiteral("/x/Report.txt"));
    titled.setTitle(QStringLiteral("Quarterly"));
    EXPECT_EQ(titled.makePathURLAndTitle().second, QStringLiteral("Quarterly"));
}

TEST(NoteURLs, IdThatCannotBeAHostGivesNoUrl)
{
    ScratchDocument note;
    note.setId(QStringLiteral("not a host/"));
    const auto [url, title] = note.makePathURLAndTitle();
    EXPECT_FALSE(url.has_value());
    EXPECT_TRUE(title.isEmpty());
}

// Unavailable database -----------------------------------------------------------------------

TEST(UnavailableDatabase, EveryCallReportsUnavailable)
{
    RealmSetup::close();
    auto expectUnavailable = [](const StoreError& error) {
        EXPECT_EQ(error.code, StoreErrorCode::Unavailable);
        EXPECT_TRUE(error.message.contains(QStringLiteral("unavailable"))) << error.message.toStdString();
    };
    StoreError e1, e2, e3, e4, e5, e6, e7, e8;
    EXPECT_TRUE(ScratchDocument::fetchAllItems(&e1).isEmpty());
    EXPECT_TRUE(ShadowDocument::fetchAllItems(&e2).isEmpty());
    EXPECT_TRUE(Snippet::fetchAllItems(&e3).isEmpty());
    EXPECT_TRUE(SnippetGroup::fetchAllItems(&e4).isEmpty());
    EXPECT_TRUE(ScriptAssetItem::fetchAllItems(&e5).isEmpty());
    EXPECT_FALSE(SnippetGroup::findGroupByTitle(QStringLiteral("x"), &e6));
    const auto lookup = Snippet::findByShortcut(QStringLiteral("toc.h"), &e7);
    ASSERT_TRUE(lookup);
    EXPECT_FALSE(lookup->snippet);
    EXPECT_EQ(lookup->modifier, QStringLiteral("h"));
    EXPECT_FALSE(Realm::objectForPrimaryKey<RealPreviewItem>(QStringLiteral("x"), &e8));
    for (const auto* e : { &e1, &e2, &e3, &e4, &e5, &e6, &e7, &e8 })
        expectUnavailable(*e);
    ScratchDocument note;
    note.setId(makeRecordId());
    bool bodyRan = false;
    const auto writeError = Realm::write([&](RealmTransaction& tx) {
        bodyRan = true;
        tx.add(note);
    });
    ASSERT_TRUE(writeError);
    expectUnavailable(*writeError);
    EXPECT_FALSE(bodyRan);
    EXPECT_FALSE(Realm::observe(nullptr, [](const platform::store::StoreChange&) {}).isActive());
}

} // namespace
