#include "Extensions/Realm.h"

#include "Extensions/FileManagerAdditions.h"

#include "CoreMagicStrings.h"
#include "CorePrefs.h"
#include "LXLogger.h"
#include "Models/RealPreviewItem.h"
#include "Models/ScratchDocument.h"
#include "Models/ScriptAssetItem.h"
#include "Models/ShadowDocument.h"
#include "Models/Snippet.h"
#include "Models/SnippetGroup.h"
#include "platform/UserDefaults.h"
#include "Services/NoteWriter.h"

#include <QCoreApplication>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <memory>
#include <system_error>

namespace penwick {

using platform::store::Configuration;
using platform::store::Database;
using platform::store::Migration;
using platform::store::ObjectSchema;
using platform::store::ObjectValues;

namespace {

struct RealmState {
    std::unique_ptr<Database> database;
    std::unique_ptr<NoteWriter> noteWriter;
    QString failure; // why set-up failed; empty when it did not run or succeeded
    QList<ObjectSchema> extraSchemas;
};

RealmState& state()
{
    static RealmState instance;
    return instance;
}

bool failSetup(const QString& description)
{
    state().failure = description;
    log().error(QStringLiteral("Error setting database: ") + description);
    return false;
}

} // namespace

void RealmSetup::setup()
{
    const QString folder = getApplicationDirectoryPath(CoreMagicStrings::APPNAME);
    if (folder.isEmpty()) {
        close();
        failSetup(QStringLiteral("There is no folder for application data"));
        return;
    }
    setupInFolder(folder);
}

bool RealmSetup::setupInFolder(const QString& folder)
{
    close();
    state().failure.clear();
    if (!QFileInfo(folder).isDir()) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(folder.toStdString()), ec);
        if (ec || !QFileInfo(folder).isDir())
            return failSetup(QStringLiteral("The folder %1 could not be created: %2")
                                 .arg(folder, ec ? QString::fromStdString(ec.message()) : QStringLiteral("it is not a folder")));
    }
    const QString path = QDir(folder).filePath(QStringLiteral("penwick.db"));
    StoreError error;
    auto database = Database::open(configuration(path), &error);
    // Notes are written by a writer of their own, whatever became of this opening (after it, so
    // that a new file has its journal before a second connection comes): when the file cannot
    // be used, the writer keeps them beside it, and says so from the start.
    QString program = QCoreApplication::applicationName();
    if (program.isEmpty())
        program = CoreMagicStrings::APPNAME;
    std::optional<StoreError> problem;
    if (!database && error.code != StoreErrorCode::Busy)
        problem = error;
    state().noteWriter = std::make_unique<NoteWriter>(path, NoteWriter::keptNotesPathFor(path, program), problem);
    if (!database)
        return failSetup(error.message);
    state().database = std::move(database);
    return true;
}

void RealmSetup::close()
{
    // The writer first: what it still holds goes to the database or beside it.
    state().noteWriter.reset();
    state().database.reset();
}

NoteWriter* RealmSetup::noteWriter()
{
    return state().noteWriter.get();
}

bool RealmSetup::isAvailable()
{
    return state().database != nullptr;
}

StoreError RealmSetup::unavailableError()
{
    const QString& failure = state().failure;
    return StoreError { StoreErrorCode::Unavailable,
        failure.isEmpty() ? QStringLiteral("The database is unavailable: it has not been set up")
                          : QStringLiteral("The database is unavailable: ") + failure };
}

void RealmSetup::registerObjectSchema(const ObjectSchema& schema)
{
    auto& extra = state().extraSchemas;
    for (auto& existing : extra) {
        if (existing.className == schema.className) {
            existing = schema;
            return;
        }
    }
    extra.append(schema);
}

Configuration RealmSetup::configuration(const QString& filePath)
{
    Configuration config;
    config.filePath = filePath;
    config.schemaVersion = schemaVersion;
    config.objectSchemas = {
        ScratchDocument::objectSchema(),
        ShadowDocument::objectSchema(),
        Snippet::objectSchema(),
        SnippetGroup::objectSchema(),
        ScriptAssetItem::objectSchema(),
        RealPreviewItem::objectSchema(),
    };
    config.objectSchemas.append(state().extraSchemas);
    config.migration = &RealmSetup::migrate;
    return config;
}

void RealmSetup::migrate(Migration& migration, quint64 oldSchemaVersion)
{
    // Version 1 added the list order of script assets: the first stored gets 100, then down.
    if (oldSchemaVersion == 0) {
        qint64 counter = 100;
        migration.enumerateObjects(ScriptAssetItem::className(), [&](const ObjectValues*, ObjectValues* newObject) {
            if (newObject)
                newObject->insert(QStringLiteral("order"), counter);
            --counter;
        });
    }
    // Version 2 added the enabled flag; existing assets stay in use.
    if (oldSchemaVersion < 2) {
        migration.enumerateObjects(ScriptAssetItem::className(), [](const ObjectValues*, ObjectValues* newObject) {
            if (newObject)
                newObject->insert(QStringLiteral("isEnabled"), true);
        });
    }
    // Version 3 moved the selected Real Preview site from the settings into the records.
    if (oldSchemaVersion < 3) {
        const QString selected = platform::UserDefaults::standard().stringForKey(CorePrefs::REAL_PREVIEW_SELECTION);
        migration.enumerateObjects(RealPreviewItem::className(), [&](const ObjectValues*, ObjectValues* newObject) {
            if (!newObject)
                return;
            const QVariant id = newObject->value(QStringLiteral("id"));
            const bool isSelected = id.typeId() == QMetaType::QString && id.toString() == selected;
            newObject->insert(QStringLiteral("isSelected"), isSelected);
        });
    }
}

Database* Realm::database()
{
    return state().database.get();
}

std::optional<StoreError> Realm::write(const std::function<void(RealmTransaction&)>& body)
{
    Database* db = database();
    if (!db)
        return RealmSetup::unavailableError();
    return db->write([&](platform::store::WriteTransaction& transaction) {
        RealmTransaction realmTransaction(transaction);
        body(realmTransaction);
    });
}

platform::Observation Realm::observe(QObject* context, ChangeHandler handler)
{
    Database* db = database();
    if (!db)
        return {};
    return db->observe(context, std::move(handler));
}

platform::Observation Realm::observeClass(const QString& className, QObject* context, ChangeHandler handler)
{
    Database* db = database();
    if (!db)
        return {};
    return db->observe(className, context, std::move(handler));
}

} // namespace penwick
