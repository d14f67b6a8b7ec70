#include "platform/store/Database.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QRecursiveMutex>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

#include <atomic>
#include <exception>
#include <mutex>

namespace penwick::platform::store {

namespace {

const QString kChangesTable = QStringLiteral("_StoreChanges");

QString quoted(const QString& identifier)
{
    QString inner = identifier;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

StoreErrorCode codeFor(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return StoreErrorCode::Corrupt;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreErrorCode::Busy;
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return StoreErrorCode::Io;
    case SQLITE_CANTOPEN:
        return StoreErrorCode::CannotOpen;
    case SQLITE_CONSTRAINT:
        return StoreErrorCode::Constraint;
    default:
        return StoreErrorCode::Sql;
    }
}

QString columnDefinition(const PropertySchema& property, bool isPrimaryKey)
{
    QString sql = quoted(property.name);
    if (isPrimaryKey)
        return sql + QStringLiteral(" TEXT NOT NULL PRIMARY KEY COLLATE NOCASE");
    switch (property.type) {
    case PropertyType::String:
        return sql + QStringLiteral(" TEXT");
    case PropertyType::Date:
        return sql + QStringLiteral(" INTEGER");
    case PropertyType::Integer:
    case PropertyType::Bool:
        return sql + QStringLiteral(" INTEGER NOT NULL DEFAULT 0");
    }
    return sql;
}

QVariant readColumn(sqlite3_stmt* stmt, int column, const PropertySchema* property)
{
    const int type = sqlite3_column_type(stmt, column);
    if (!property) {
        switch (type) {
        case SQLITE_INTEGER:
            return QVariant::fromValue<qint64>(sqlite3_column_int64(stmt, column));
        case SQLITE_FLOAT:
            return sqlite3_column_double(stmt, column);
        case SQLITE_TEXT:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                sqlite3_column_bytes(stmt, column));
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                sqlite3_column_bytes(stmt, column));
        default:
            return {};
        }
    }
    switch (property->type) {
    case PropertyType::String: {
        if (type == SQLITE_NULL)
            return {};
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        const int bytes = sqlite3_column_bytes(stmt, column);
        // An empty text is present, not absent: keep it non-null.
        return bytes == 0 ? QString(QLatin1String("")) : QString::fromUtf8(text, bytes);
    }
    case PropertyType::Integer:
        return QVariant::fromValue<qint64>(sqlite3_column_int64(stmt, column));
    case PropertyType::Bool:
        return sqlite3_column_int64(stmt, column) != 0;
    case PropertyType::Date:
        if (type == SQLITE_NULL)
            return {};
        return QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(stmt, column), Qt::UTC);
    }
    return {};
}

int bindValue(sqlite3_stmt* stmt, int index, const QVariant& value, const PropertySchema* property)
{
    const PropertyType type = property ? property->type : PropertyType::String;
    switch (type) {
    case PropertyType::String: {
        if (!value.isValid() || value.isNull())
            return sqlite3_bind_null(stmt, index);
        const QByteArray utf8 = value.toString().toUtf8();
        return sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    case PropertyType::Integer:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case PropertyType::Bool:
        return sqlite3_bind_int64(stmt, index, value.toBool() ? 1 : 0);
    case PropertyType::Date: {
        const QDateTime date = value.toDateTime();
        if (!value.isValid() || !date.isValid())
            return sqlite3_bind_null(stmt, index);
        return sqlite3_bind_int64(stmt, index, date.toMSecsSinceEpoch());
    }
    }
    return SQLITE_MISUSE;
}

} // namespace

// ---------------------------------------------------------------------------------------------

struct Database::Impl {
    struct Observer {
        QString className;
        QPointer<QObject> context;
        bool hasContext = false;
        ChangeHandler handler;
        std::atomic<bool> active { true };
    };
    struct Registry {
        QMutex mutex;
        std::vector<std::shared_ptr<Observer>> observers;
    };

    Configuration config;
    QHash<QString, ObjectSchema> schemas;
    sqlite3* db = nullptr;
    mutable QRecursiveMutex mutex;
    mutable QHash<QString, sqlite3_stmt*> statements;
    bool inWrite = false;
    qint64 dataVersion = -1;
    QHash<QString, qint64> classVersions;
    std::unique_ptr<QObject> mainThreadObject; // lives on the main thread; owns the poll timer
    QTimer* pollTimer = nullptr;
    std::shared_ptr<Registry> registry = std::make_shared<Registry>();

    ~Impl()
    {
        // A connection of a worker thread ends there; its main-thread half goes on the main
        // thread's own time.
        if (mainThreadObject && mainThreadObject->thread() != QThread::currentThread())
            mainThreadObject.release()->deleteLater();
        for (sqlite3_stmt* stmt : std::as_const(statements))
            sqlite3_finalize(stmt);
        if (db)
            sqlite3_close_v2(db);
    }

    StoreError sqliteError(int rc, const QString& context) const
    {
        const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        return StoreError { codeFor(rc), context + QStringLiteral(": ") + detail };
    }

    // A prepared statement from the cache, reset and unbound when the guard ends.
    struct Statement {
        sqlite3_stmt* stmt = nullptr;
        Statement() = default;
        explicit Statement(sqlite3_stmt* s) : stmt(s) {}
        Statement(Statement&& o) noexcept : stmt(std::exchange(o.stmt, nullptr)) {}
        Statement(const Statement&) = delete;
        ~Statement()
        {
            if (stmt) {
                sqlite3_reset(stmt);
                sqlite3_clear_bindings(stmt);
            }
        }
        explicit operator bool() const { return stmt != nullptr; }
    };

    Statement prepare(const QString& sql, std::optional<StoreError>& error) const
    {
        if (sqlite3_stmt* cached = statements.value(sql))
            return Statement(cached);
        sqlite3_stmt* stmt = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        const int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt, nullptr);
        if (rc != SQLITE_OK) {
            error = sqliteError(rc, QStringLiteral("Cannot prepare a database query"));
            return {};
        }
        statements.insert(sql, stmt);
        return Statement(stmt);
    }

    std::optional<StoreError> exec(const QString& sql) const
    {
        char* message = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
        sqlite3_free(message);
        if (rc != SQLITE_OK)
            return sqliteError(rc, QStringLiteral("Database statement failed"));
        return std::nullopt;
    }

    // The first column of the first row as an integer.
    std::optional<qint64> scalar(const QString& sql, std::optional<StoreError>& error) const
    {
        Statement s = prepare(sql, error);
        if (!s)
            return std::nullopt;
        const int rc = sqlite3_step(s.stmt);
        if (rc == SQLITE_ROW)
            return sqlite3_column_int64(s.stmt, 0);
        if (rc != SQLITE_DONE)
            error = sqliteError(rc, QStringLiteral("Cannot read the database"));
        return std::nullopt;
    }

    void rollback() const
    {
        if (!sqlite3_get_autocommit(db))
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    QStringList tableColumns(const QString& table, std::optional<StoreError>& error) const
    {
        QStringList columns;
        Statement s = prepare(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table)), error);
        if (!s)
            return columns;
        int rc;
        while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW)
            columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.stmt, 1)));
        if (rc != SQLITE_DONE)
            error = sqliteError(rc, QStringLiteral("Cannot read the database's tables"));
        return columns;
    }

    std::vector<ObjectValues> select(const Query& query, std::optional<StoreError>& error) const
    {
        std::vector<ObjectValues> result;
        const auto it = schemas.constFind(query.className);
        if (it == schemas.constEnd()) {
            error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown record class \"%1\"").arg(query.className) };
            return result;
        }
        const ObjectSchema& schema = *it;
        QStringList columns;
        for (const auto& p : schema.properties)
            columns << quoted(p.name);
        QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QLatin1Char(',')), quoted(schema.className));
        QStringList where;
        for (const auto& c : query.conditions) {
            if (!schema.property(c.property)) {
                error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown property \"%1\" of \"%2\"").arg(c.property, schema.className) };
                return result;
            }
            where << (c.value.isValid() && !c.value.isNull() ? quoted(c.property) + QStringLiteral(" = ?")
                                                              : quoted(c.property) + QStringLiteral(" IS NULL"));
        }
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        if (!query.sortProperty.isEmpty()) {
            if (!schema.property(query.sortProperty)) {
                error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown property \"%1\" of \"%2\"").arg(query.sortProperty, schema.className) };
                return result;
            }
            sql += QStringLiteral(" ORDER BY %1 %2, rowid").arg(quoted(query.sortProperty),
                query.ascending ? QStringLiteral("ASC") : QStringLiteral("DESC"));
        } else {
            sql += QStringLiteral(" ORDER BY rowid");
        }
        if (query.limit >= 0)
            sql += QStringLiteral(" LIMIT %1").arg(query.limit);

        Statement s = prepare(sql, error);
        if (!s)
            return result;
        int index = 1;
        for (const auto& c : query.conditions) {
            if (c.value.isValid() && !c.value.isNull())
                bindValue(s.stmt, index++, c.value, schema.property(c.property));
        }
        int rc;
        while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
            ObjectValues values;
            for (int i = 0; i < schema.properties.size(); ++i) {
                const QVariant v = readColumn(s.stmt, i, &schema.properties[i]);
                if (v.isValid())
                    values.insert(schema.properties[i].name, v);
            }
            result.push_back(std::move(values));
        }
        if (rc != SQLITE_DONE) {
            error = sqliteError(rc, QStringLiteral("Cannot read %1 records").arg(schema.className));
            result.clear();
        }
        return result;
    }

    // Runs under the connection's lock.
    QHash<QString, qint64> readClassVersions(std::optional<StoreError>& error) const
    {
        QHash<QString, qint64> versions;
        Statement s = prepare(QStringLiteral("SELECT \"className\", \"version\" FROM %1").arg(quoted(kChangesTable)), error);
        if (!s)
            return versions;
        int rc;
        while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW)
            versions.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.stmt, 0))),
                sqlite3_column_int64(s.stmt, 1));
        if (rc != SQLITE_DONE)
            error = sqliteError(rc, QStringLiteral("Cannot read the change counters"));
        return versions;
    }

    bool onMainThread() const { return mainThreadObject && QThread::currentThread() == mainThreadObject->thread(); }

    void deliver(const StoreChange& change)
    {
        std::vector<std::shared_ptr<Observer>> observers;
        {
            QMutexLocker lock(&registry->mutex);
            observers = registry->observers;
        }
        for (const auto& o : observers) {
            if (!o->active.load())
                continue;
            if (o->hasContext && !o->context)
                continue;
            if (!o->className.isEmpty() && !change.classNames.contains(o->className))
                continue;
            o->handler(change);
        }
    }

    void post(const StoreChange& change)
    {
        // Nobody to tell: nothing may be left queued that outlives this connection.
        if (change.classNames.isEmpty() || !hasLiveObservers())
            return;
        if (onMainThread()) {
            deliver(change);
            return;
        }
        if (!mainThreadObject)
            return;
        QMetaObject::invokeMethod(mainThreadObject.get(), [this, change] { deliver(change); }, Qt::QueuedConnection);
    }

    bool hasLiveObservers() const
    {
        QMutexLocker lock(&registry->mutex);
        for (const auto& o : registry->observers)
            if (o->active.load() && (!o->hasContext || o->context))
                return true;
        return false;
    }
};

// ---------------------------------------------------------------------------------------------

struct Migration::Impl {
    struct Table {
        std::vector<qint64> rowids;
        std::vector<ObjectValues> oldValues;
        std::vector<ObjectValues> newValues;
    };
    Database::Impl* db = nullptr;
    QHash<QString, QStringList> oldColumns; // tables as the old file had them
    QHash<QString, Table> tables;
    std::optional<StoreError> error;
};

void Migration::enumerateObjects(const QString& className, const Enumerator& block)
{
    Impl& m = *m_impl;
    if (m.error || !m.oldColumns.contains(className))
        return;
    const ObjectSchema* schema = m.db->schemas.contains(className) ? &m.db->schemas[className] : nullptr;
    if (!m.tables.contains(className)) {
        // Snapshot on first use, before any change to the class, so the old view stays old.
        Impl::Table table;
        const QStringList& oldColumns = m.oldColumns[className];
        QStringList columns { QStringLiteral("rowid") };
        for (const QString& c : oldColumns)
            columns << quoted(c);
        if (schema)
            for (const auto& p : schema->properties)
                columns << quoted(p.name);
        Database::Impl::Statement s = m.db->prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                                         .arg(columns.join(QLatin1Char(',')), quoted(className)),
            m.error);
        if (!s)
            return;
        int rc;
        while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
            table.rowids.push_back(sqlite3_column_int64(s.stmt, 0));
            ObjectValues oldValues;
            for (int i = 0; i < oldColumns.size(); ++i) {
                const PropertySchema* p = schema ? schema->property(oldColumns[i]) : nullptr;
                const QVariant v = readColumn(s.stmt, 1 + i, p);
                if (v.isValid())
                    oldValues.insert(oldColumns[i], v);
            }
            table.oldValues.push_back(std::move(oldValues));
            ObjectValues newValues;
            if (schema) {
                for (int i = 0; i < schema->properties.size(); ++i) {
                    const QVariant v = readColumn(s.stmt, 1 + int(oldColumns.size()) + i, &schema->properties[i]);
                    if (v.isValid())
                        newValues.insert(schema->properties[i].name, v);
                }
            }
            table.newValues.push_back(std::move(newValues));
        }
        if (rc != SQLITE_DONE) {
            m.error = m.db->sqliteError(rc, QStringLiteral("Cannot read %1 records during migration").arg(className));
            return;
        }
        m.tables.insert(className, std::move(table));
    }
    Impl::Table& table = m.tables[className];
    for (size_t i = 0; i < table.rowids.size(); ++i) {
        ObjectValues updated = table.newValues[i];
        block(&table.oldValues[i], schema ? &updated : nullptr);
        if (!schema || updated == table.newValues[i])
            continue;
        QStringList assignments;
        QList<const PropertySchema*> bound;
        for (const auto& p : schema->properties) {
            if (p.name == schema->primaryKey)
                continue;
            assignments << quoted(p.name) + QStringLiteral(" = ?");
            bound << &p;
        }
        Database::Impl::Statement s = m.db->prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                                                         .arg(quoted(className), assignments.join(QLatin1Char(','))),
            m.error);
        if (!s)
            return;
        int index = 1;
        for (const PropertySchema* p : bound)
            bindValue(s.stmt, index++, updated.value(p->name), p);
        sqlite3_bind_int64(s.stmt, index, table.rowids[i]);
        const int rc = sqlite3_step(s.stmt);
        if (rc != SQLITE_DONE) {
            m.error = m.db->sqliteError(rc, QStringLiteral("Cannot store a migrated %1 record").arg(className));
            return;
        }
        table.newValues[i] = updated;
    }
}

void Migration::fail(const QString& message)
{
    if (!m_impl->error)
        m_impl->error = StoreError { StoreErrorCode::MigrationFailed, message };
}

// ---------------------------------------------------------------------------------------------

Database::Database(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

Database::~Database()
{
    QMutexLocker lock(&d->registry->mutex);
    for (const auto& o : d->registry->observers)
        o->active = false;
}

std::unique_ptr<Database> Database::open(const Configuration& configuration, StoreError* error)
{
    auto fail = [&](StoreError e) -> std::unique_ptr<Database> {
        if (error)
            *error = std::move(e);
        return nullptr;
    };
    const QString path = configuration.filePath;
    if (path.isEmpty())
        return fail({ StoreErrorCode::CannotOpen, QStringLiteral("No database file was given") });

    // Look at the file before SQLite does: something that is not a database is reported,
    // never initialised over.
    const QFileInfo info(path);
    if (info.exists()) {
        if (info.isDir())
            return fail({ StoreErrorCode::CannotOpen, QStringLiteral("The database path %1 is a folder").arg(path) });
        if (info.size() > 0) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return fail({ StoreErrorCode::CannotOpen,
                    QStringLiteral("The database file %1 cannot be read: %2").arg(path, file.errorString()) });
            const QByteArray header = file.read(16);
            if (header != QByteArray("SQLite format 3\0", 16))
                return fail({ StoreErrorCode::Corrupt,
                    QStringLiteral("The database file %1 is damaged or is not a database; it was left as it is").arg(path) });
        }
    }

    auto impl = std::make_unique<Impl>();
    impl->config = configuration;
    for (const auto& schema : configuration.objectSchemas) {
        if (schema.className.isEmpty() || schema.className.startsWith(QLatin1Char('_')) || !schema.property(schema.primaryKey)
            || schema.property(schema.primaryKey)->type != PropertyType::String)
            return fail({ StoreErrorCode::Invalid, QStringLiteral("Invalid record class \"%1\"").arg(schema.className) });
        impl->schemas.insert(schema.className, schema);
    }

    const int openRc = sqlite3_open_v2(path.toUtf8().constData(), &impl->db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (openRc != SQLITE_OK)
        return fail(impl->sqliteError(openRc, QStringLiteral("The database file %1 cannot be opened").arg(path)));
    sqlite3_extended_result_codes(impl->db, 1);
    sqlite3_busy_timeout(impl->db, configuration.busyTimeoutMs);

    auto damaged = [&](const QString& detail) {
        return StoreError { StoreErrorCode::Corrupt,
            QStringLiteral("The database file %1 is damaged (%2); it was left as it is").arg(path, detail) };
    };

    // Integrity first, before anything could write to the file.
    {
        std::optional<StoreError> err;
        Impl::Statement s = impl->prepare(QStringLiteral("PRAGMA quick_check"), err);
        if (!s) {
            if (err->code == StoreErrorCode::Corrupt)
                return fail(damaged(err->message));
            return fail(*err);
        }
        QStringList problems;
        int rc;
        while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
            const QString line = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.stmt, 0)));
            if (line != QLatin1String("ok"))
                problems << line;
        }
        if (rc != SQLITE_DONE) {
            const StoreError e = impl->sqliteError(rc, QStringLiteral("Cannot check the database file"));
            return fail(e.code == StoreErrorCode::Corrupt ? damaged(e.message) : e);
        }
        if (!problems.isEmpty())
            return fail(damaged(problems.first()));
    }

    const auto tooNew = [&](qint64 version) {
        return StoreError { StoreErrorCode::NewerSchema,
            QStringLiteral("The database file %1 was written by a newer version of the program (schema %2; this one reads up to %3); it was left as it is")
                .arg(path)
                .arg(version)
                .arg(configuration.schemaVersion) };
    };
    std::optional<StoreError> err;
    const qint64 initialVersion = impl->scalar(QStringLiteral("PRAGMA user_version"), err).value_or(0);
    if (err)
        return fail(*err);
    if (quint64(initialVersion) > configuration.schemaVersion)
        return fail(tooNew(initialVersion));

    // A file already at the schema is not written at all, so that opening it never waits for
    // another program's write lock.
    const auto hasIndex = [&](QString name, std::optional<StoreError>& readError) {
        name.replace(QLatin1Char('\''), QStringLiteral("''"));
        return impl->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = '%1'").arg(name), readError)
                   .value_or(0)
            > 0;
    };
    const auto isCurrent = [&]() {
        if (quint64(initialVersion) != configuration.schemaVersion)
            return false;
        std::optional<StoreError> readError;
        if (impl->tableColumns(kChangesTable, readError).isEmpty())
            return false;
        for (const auto& schema : configuration.objectSchemas) {
            const QStringList columns = impl->tableColumns(schema.className, readError);
            for (const auto& p : schema.properties) {
                if (!columns.contains(p.name))
                    return false;
                if (p.indexed && !hasIndex(schema.className + QLatin1Char('_') + p.name, readError))
                    return false;
            }
        }
        return !readError;
    };
    if (!isCurrent()) {
        // Bring the file to the schema in one transaction; another program may be doing the same.
        if ((err = impl->exec(QStringLiteral("BEGIN IMMEDIATE"))))
            return fail(*err);
        auto abort = [&](StoreError e) {
            impl->rollback();
            return fail(std::move(e));
        };
        const qint64 storedVersion = impl->scalar(QStringLiteral("PRAGMA user_version"), err).value_or(0);
        if (err)
            return abort(*err);
        if (quint64(storedVersion) > configuration.schemaVersion)
            return abort(tooNew(storedVersion));
        const qint64 userTables = impl->scalar(
            QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"), err).value_or(0);
        if (err)
            return abort(*err);
        const bool isNewFile = userTables == 0;

        Migration::Impl migrationState;
        migrationState.db = impl.get();
        for (const auto& schema : configuration.objectSchemas) {
            const QStringList columns = impl->tableColumns(schema.className, err);
            if (err)
                return abort(*err);
            if (!columns.isEmpty())
                migrationState.oldColumns.insert(schema.className, columns);
        }

        QStringList ddl;
        ddl << QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\"className\" TEXT NOT NULL PRIMARY KEY, \"version\" INTEGER NOT NULL DEFAULT 0)")
                   .arg(quoted(kChangesTable));
        for (const auto& schema : configuration.objectSchemas) {
            const QStringList existing = migrationState.oldColumns.value(schema.className);
            if (existing.isEmpty()) {
                QStringList definitions;
                for (const auto& p : schema.properties)
                    definitions << columnDefinition(p, p.name == schema.primaryKey);
                ddl << QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(schema.className), definitions.join(QLatin1Char(',')));
            } else {
                for (const auto& p : schema.properties)
                    if (!existing.contains(p.name))
                        ddl << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(quoted(schema.className), columnDefinition(p, false));
            }
            for (const auto& p : schema.properties)
                if (p.indexed)
                    ddl << QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2(%3)")
                               .arg(quoted(schema.className + QLatin1Char('_') + p.name), quoted(schema.className), quoted(p.name));
        }
        for (const QString& statement : ddl)
            if ((err = impl->exec(statement)))
                return abort(*err);

        if (!isNewFile && quint64(storedVersion) < configuration.schemaVersion && configuration.migration) {
            Migration migration(&migrationState, quint64(storedVersion));
            try {
                configuration.migration(migration, quint64(storedVersion));
            } catch (const std::exception& e) {
                migration.fail(QString::fromUtf8(e.what()));
            }
            if (migrationState.error) {
                StoreError e = *migrationState.error;
                e.code = StoreErrorCode::MigrationFailed;
                e.message = QStringLiteral("The database file %1 could not be migrated from schema %2: %3; it was left as it was")
                                .arg(path)
                                .arg(storedVersion)
                                .arg(e.message);
                return abort(e);
            }
        }
        if (quint64(storedVersion) != configuration.schemaVersion)
            if ((err = impl->exec(QStringLiteral("PRAGMA user_version = %1").arg(configuration.schemaVersion))))
                return abort(*err);
        if ((err = impl->exec(QStringLiteral("COMMIT"))))
            return abort(*err);

    }

    // Only now, so that a file refused above keeps even its journal mode.
    {
        Impl::Statement s = impl->prepare(QStringLiteral("PRAGMA journal_mode=WAL"), err);
        if (!s)
            return fail(*err);
        const int rc = sqlite3_step(s.stmt);
        const QString mode = rc == SQLITE_ROW
            ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.stmt, 0))).toLower()
            : QString();
        if (mode != QLatin1String("wal"))
            return fail(rc == SQLITE_ROW ? StoreError { StoreErrorCode::Io, QStringLiteral("The database file %1 cannot use a write-ahead journal").arg(path) }
                                         : impl->sqliteError(rc, QStringLiteral("Cannot set up the database journal")));
    }
    if ((err = impl->exec(QStringLiteral("PRAGMA synchronous=FULL"))))
        return fail(*err);

    impl->dataVersion = impl->scalar(QStringLiteral("PRAGMA data_version"), err).value_or(-1);
    impl->classVersions = impl->readClassVersions(err);
    if (err)
        return fail(*err);

    impl->mainThreadObject = std::make_unique<QObject>();
    std::unique_ptr<Database> database(new Database(std::move(impl)));
    Impl* raw = database->d.get();
    // Made here, then moved with its owner: a connection may be opened on any thread.
    raw->pollTimer = new QTimer(raw->mainThreadObject.get());
    raw->pollTimer->setInterval(std::max(10, configuration.pollIntervalMs));
    QObject::connect(raw->pollTimer, &QTimer::timeout, raw->mainThreadObject.get(), [db = database.get(), raw] {
        if (!raw->hasLiveObservers()) {
            raw->pollTimer->stop();
            return;
        }
        db->checkForExternalChanges();
    });
    if (QCoreApplication::instance())
        raw->mainThreadObject->moveToThread(QCoreApplication::instance()->thread());
    return database;
}

const Configuration& Database::configuration() const { return d->config; }

const ObjectSchema* Database::objectSchema(const QString& className) const
{
    const auto it = d->schemas.constFind(className);
    return it == d->schemas.constEnd() ? nullptr : &*it;
}

quint64 Database::storedSchemaVersion(StoreError* error) const
{
    QMutexLocker lock(&d->mutex);
    std::optional<StoreError> err;
    const qint64 version = d->scalar(QStringLiteral("PRAGMA user_version"), err).value_or(0);
    if (err && error)
        *error = *err;
    return quint64(version);
}

std::vector<ObjectValues> Database::objects(const Query& query, StoreError* error) const
{
    QMutexLocker lock(&d->mutex);
    std::optional<StoreError> err;
    auto result = d->select(query, err);
    if (err && error)
        *error = *err;
    return result;
}

std::vector<ObjectValues> Database::allObjects(const QString& className, StoreError* error) const
{
    Query query;
    query.className = className;
    return objects(query, error);
}

std::optional<ObjectValues> Database::object(const QString& className, const QString& primaryKey, StoreError* error) const
{
    const ObjectSchema* schema = objectSchema(className);
    if (!schema) {
        if (error)
            *error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown record class \"%1\"").arg(className) };
        return std::nullopt;
    }
    if (primaryKey.isNull())
        return std::nullopt;
    Query query;
    query.className = className;
    query.conditions.append({ schema->primaryKey, primaryKey });
    query.limit = 1;
    auto found = objects(query, error);
    if (found.empty())
        return std::nullopt;
    return std::move(found.front());
}

qint64 Database::count(const QString& className, StoreError* error) const
{
    if (!objectSchema(className)) {
        if (error)
            *error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown record class \"%1\"").arg(className) };
        return 0;
    }
    QMutexLocker lock(&d->mutex);
    std::optional<StoreError> err;
    const qint64 n = d->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(quoted(className)), err).value_or(0);
    if (err && error)
        *error = *err;
    return err ? 0 : n;
}

std::optional<StoreError> Database::write(const std::function<void(WriteTransaction&)>& body)
{
    StoreChange change;
    {
        QMutexLocker lock(&d->mutex);
        if (d->inWrite)
            return StoreError { StoreErrorCode::Invalid, QStringLiteral("A write transaction is already running on this connection") };
        if (auto err = d->exec(QStringLiteral("BEGIN IMMEDIATE")))
            return err;
        d->inWrite = true;
        WriteTransaction transaction(*this);
        try {
            body(transaction);
        } catch (const std::exception& e) {
            if (!transaction.m_error)
                transaction.m_error = StoreError { StoreErrorCode::Sql, QString::fromUtf8(e.what()) };
        }
        auto finish = [&](std::optional<StoreError> error) {
            d->rollback();
            d->inWrite = false;
            return error;
        };
        if (transaction.m_error)
            return finish(transaction.m_error);

        QHash<QString, qint64> bumped;
        for (const QString& className : std::as_const(transaction.m_touched)) {
            std::optional<StoreError> err;
            Impl::Statement s = d->prepare(QStringLiteral("INSERT INTO %1 (\"className\", \"version\") VALUES (?, 1) "
                                                          "ON CONFLICT(\"className\") DO UPDATE SET \"version\" = \"version\" + 1 RETURNING \"version\"")
                                               .arg(quoted(kChangesTable)),
                err);
            if (!s)
                return finish(err);
            bindValue(s.stmt, 1, className, nullptr);
            int rc = sqlite3_step(s.stmt);
            if (rc == SQLITE_ROW) {
                bumped.insert(className, sqlite3_column_int64(s.stmt, 0));
                rc = sqlite3_step(s.stmt);
            }
            if (rc != SQLITE_DONE)
                return finish(d->sqliteError(rc, QStringLiteral("Cannot record the change")));
        }
        if (auto err = d->exec(QStringLiteral("COMMIT"))) {
            err->message = QStringLiteral("The changes could not be saved: ") + err->message;
            return finish(err);
        }
        d->inWrite = false;
        for (auto it = bumped.cbegin(); it != bumped.cend(); ++it)
            d->classVersions.insert(it.key(), it.value());
        change.classNames = transaction.m_touched;
    }
    d->post(change);
    return std::nullopt;
}

Observation Database::observe(QObject* context, ChangeHandler handler)
{
    return observe(QString(), context, std::move(handler));
}

Observation Database::observe(const QString& className, QObject* context, ChangeHandler handler)
{
    auto observer = std::make_shared<Impl::Observer>();
    observer->className = className;
    observer->context = context;
    observer->hasContext = context != nullptr;
    observer->handler = std::move(handler);
    {
        QMutexLocker lock(&d->registry->mutex);
        d->registry->observers.push_back(observer);
    }
    if (d->pollTimer) {
        QTimer* timer = d->pollTimer;
        QMetaObject::invokeMethod(timer, [timer] {
            if (!timer->isActive())
                timer->start();
        }, d->onMainThread() ? Qt::DirectConnection : Qt::QueuedConnection);
    }
    std::weak_ptr<Impl::Registry> weak = d->registry;
    return Observation([weak, observer] {
        observer->active = false;
        if (auto registry = weak.lock()) {
            QMutexLocker lock(&registry->mutex);
            std::erase(registry->observers, observer);
        }
    });
}

void Database::checkForExternalChanges()
{
    StoreChange change;
    change.external = true;
    {
        // The timer must never stall the main thread behind another thread's transaction.
        if (!d->mutex.tryLock())
            return;
        std::unique_lock<QRecursiveMutex> lock(d->mutex, std::adopt_lock);
        if (d->inWrite)
            return;
        std::optional<StoreError> err;
        const qint64 version = d->scalar(QStringLiteral("PRAGMA data_version"), err).value_or(-1);
        if (err || version == d->dataVersion)
            return;
        const QHash<QString, qint64> versions = d->readClassVersions(err);
        if (err)
            return;
        d->dataVersion = version;
        for (auto it = versions.cbegin(); it != versions.cend(); ++it)
            if (d->classVersions.value(it.key(), 0) != it.value())
                change.classNames.insert(it.key());
        d->classVersions = versions;
    }
    d->post(change);
}

// ---------------------------------------------------------------------------------------------

void WriteTransaction::put(const QString& className, const ObjectValues& values)
{
    if (m_error)
        return;
    const ObjectSchema* schema = m_db.objectSchema(className);
    if (!schema) {
        m_error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown record class \"%1\"").arg(className) };
        return;
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!schema->property(it.key())) {
            m_error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown property \"%1\" of \"%2\"").arg(it.key(), className) };
            return;
        }
    }
    const QVariant key = values.value(schema->primaryKey);
    if (!key.isValid() || key.toString().isEmpty()) {
        m_error = StoreError { StoreErrorCode::Invalid, QStringLiteral("A %1 record without \"%2\" cannot be stored").arg(className, schema->primaryKey) };
        return;
    }
    QStringList columns, placeholders, updates;
    for (const auto& p : schema->properties) {
        columns << quoted(p.name);
        placeholders << QStringLiteral("?");
        if (p.name != schema->primaryKey)
            updates << QStringLiteral("%1 = excluded.%1").arg(quoted(p.name));
    }
    QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT(%4) DO ")
                      .arg(quoted(className), columns.join(QLatin1Char(',')), placeholders.join(QLatin1Char(',')), quoted(schema->primaryKey));
    sql += updates.isEmpty() ? QStringLiteral("NOTHING") : QStringLiteral("UPDATE SET ") + updates.join(QLatin1Char(','));

    Database::Impl& d = *m_db.d;
    Database::Impl::Statement s = d.prepare(sql, m_error);
    if (!s)
        return;
    int index = 1;
    for (const auto& p : schema->properties)
        bindValue(s.stmt, index++, values.value(p.name), &p);
    const int rc = sqlite3_step(s.stmt);
    if (rc != SQLITE_DONE) {
        m_error = d.sqliteError(rc, QStringLiteral("Cannot store a %1 record").arg(className));
        return;
    }
    m_touched.insert(className);
}

void WriteTransaction::remove(const QString& className, const QString& primaryKey)
{
    if (m_error)
        return;
    const ObjectSchema* schema = m_db.objectSchema(className);
    if (!schema) {
        m_error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown record class \"%1\"").arg(className) };
        return;
    }
    Database::Impl& d = *m_db.d;
    Database::Impl::Statement s = d.prepare(
        QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quoted(className), quoted(schema->primaryKey)), m_error);
    if (!s)
        return;
    bindValue(s.stmt, 1, primaryKey, schema->property(schema->primaryKey));
    const int rc = sqlite3_step(s.stmt);
    if (rc != SQLITE_DONE) {
        m_error = d.sqliteError(rc, QStringLiteral("Cannot remove a %1 record").arg(className));
        return;
    }
    if (sqlite3_changes(d.db) > 0)
        m_touched.insert(className);
}

void WriteTransaction::removeAll(const QString& className)
{
    if (m_error)
        return;
    if (!m_db.objectSchema(className)) {
        m_error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown record class \"%1\"").arg(className) };
        return;
    }
    Database::Impl& d = *m_db.d;
    if ((m_error = d.exec(QStringLiteral("DELETE FROM %1").arg(quoted(className)))))
        return;
    if (sqlite3_changes(d.db) > 0)
        m_touched.insert(className);
}

std::vector<ObjectValues> WriteTransaction::objects(const Query& query) const
{
    if (m_error)
        return {};
    QMutexLocker lock(&m_db.d->mutex);
    return m_db.d->select(query, m_error);
}

std::optional<ObjectValues> WriteTransaction::object(const QString& className, const QString& primaryKey) const
{
    if (m_error)
        return std::nullopt;
    const ObjectSchema* schema = m_db.objectSchema(className);
    if (!schema) {
        m_error = StoreError { StoreErrorCode::Invalid, QStringLiteral("Unknown record class \"%1\"").arg(className) };
        return std::nullopt;
    }
    Query query;
    query.className = className;
    query.conditions.append({ schema->primaryKey, primaryKey });
    query.limit = 1;
    auto found = objects(query);
    if (found.empty())
        return std::nullopt;
    return std::move(found.front());
}

void WriteTransaction::cancel(std::optional<StoreError> error)
{
    if (m_error)
        return;
    m_error = error ? std::move(error) : StoreError { StoreErrorCode::Cancelled, QStringLiteral("The changes were cancelled") };
}

} // namespace penwick::platform::store
