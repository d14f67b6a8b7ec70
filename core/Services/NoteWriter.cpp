#include "Services/NoteWriter.h"

#include "Extensions/Realm.h"
#include "LXLogger.h"
#include "platform/AtomicFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace penwick {

using platform::store::Database;
using platform::store::ObjectSchema;
using platform::store::ObjectValues;
using platform::store::PropertyType;

namespace {

// Each attempt at the lock waits this long, so that the thread hears a stop soon enough.
constexpr int kBusyAttemptMs = 250;

struct Item {
    QString className;
    ObjectValues record;
    QStringList fields; // empty: the whole record
    bool mustExist = false;
    std::vector<NoteWriter::Completion> completions;
};

QString keyOf(const QString& className, const QString& id)
{
    return className + QLatin1Char('\n') + id.toLower();
}

QString keyOf(const Item& item)
{
    return keyOf(item.className, record::string(item.record, QStringLiteral("id")));
}

// A later note for the same record: its values win; the fields to change add up.
void merge(Item& into, Item&& later)
{
    const bool whole = into.fields.isEmpty() || later.fields.isEmpty();
    for (const QString& field : std::as_const(later.fields))
        if (!into.fields.contains(field))
            into.fields << field;
    if (whole)
        into.fields.clear();
    into.record = std::move(later.record);
    into.mustExist = into.mustExist && later.mustExist;
    for (auto& completion : later.completions)
        into.completions.push_back(std::move(completion));
}

// Whether the database cannot take notes now, as opposed to refusing this one note.
bool isStoreProblem(const StoreError& error)
{
    switch (error.code) {
    case StoreErrorCode::Constraint:
    case StoreErrorCode::Invalid:
    case StoreErrorCode::Cancelled:
    case StoreErrorCode::Busy:
        return false;
    default:
        return true;
    }
}

// Kept notes on disk: {"notes": [{"class", "id", "values": {property: value}}]}, dates in
// ISO 8601 with milliseconds, so that a person can read the text too.
class KeptNotesFile {
public:
    KeptNotesFile(QString path, const QList<ObjectSchema>& schemas)
        : m_path(std::move(path))
    {
        for (const auto& schema : schemas)
            m_schemas.insert(schema.className, schema);
    }

    const QString& path() const { return m_path; }

    // The notes in the file; a file that cannot be read as kept notes is set aside (never
    // written over) and reported.
    std::vector<Item> load() const
    {
        std::vector<Item> items;
        QFile file(m_path);
        if (!file.exists())
            return items;
        QJsonParseError parseError {};
        const QJsonDocument document = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll(), &parseError)
                                                                       : QJsonDocument();
        file.close();
        if (!document.isObject() || !document.object().value(QStringLiteral("notes")).isArray()) {
            const QString aside = freeName(m_path + QStringLiteral(".unreadable"));
            QFile::rename(m_path, aside);
            log().error(QStringLiteral("The kept notes in %1 could not be read; the file was moved to %2").arg(m_path, aside));
            return items;
        }
        for (const QJsonValue& entry : document.object().value(QStringLiteral("notes")).toArray()) {
            const QJsonObject note = entry.toObject();
            const auto schema = m_schemas.constFind(note.value(QStringLiteral("class")).toString());
            if (schema == m_schemas.constEnd())
                continue;
            Item item;
            item.className = schema->className;
            const QJsonObject values = note.value(QStringLiteral("values")).toObject();
            for (const auto& property : schema->properties) {
                const QJsonValue value = values.value(property.name);
                if (value.isUndefined() || value.isNull())
                    continue;
                switch (property.type) {
                case PropertyType::String:
                    item.record.insert(property.name, value.toString());
                    break;
                case PropertyType::Date: {
                    const QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
                    if (date.isValid())
                        item.record.insert(property.name, date.toUTC());
                    break;
                }
                case PropertyType::Integer:
                    item.record.insert(property.name, qint64(value.toDouble()));
                    break;
                case PropertyType::Bool:
                    item.record.insert(property.name, value.toBool());
                    break;
                }
            }
            if (!record::string(item.record, QStringLiteral("id")).isEmpty())
                items.push_back(std::move(item));
        }
        return items;
    }

    // Writes the notes (removing the file when there are none); the reason when that failed.
    std::optional<QString> save(const std::vector<const Item*>& items) const
    {
        if (items.empty()) {
            if (QFile::exists(m_path) && !QFile::remove(m_path))
                return QStringLiteral("The file %1 could not be removed").arg(m_path);
            return std::nullopt;
        }
        QJsonArray notes;
        for (const Item* item : items) {
            QJsonObject values;
            const ObjectSchema schema = m_schemas.value(item->className);
            for (const auto& property : schema.properties) {
                const QVariant value = item->record.value(property.name);
                if (!value.isValid())
                    continue;
                switch (property.type) {
                case PropertyType::String:
                    values.insert(property.name, value.toString());
                    break;
                case PropertyType::Date:
                    values.insert(property.name, value.toDateTime().toUTC().toString(Qt::ISODateWithMs));
                    break;
                case PropertyType::Integer:
                    values.insert(property.name, double(value.toLongLong()));
                    break;
                case PropertyType::Bool:
                    values.insert(property.name, value.toBool());
                    break;
                }
            }
            notes.append(QJsonObject { { QStringLiteral("class"), item->className },
                { QStringLiteral("id"), record::string(item->record, QStringLiteral("id")) },
                { QStringLiteral("values"), values } });
        }
        const QByteArray bytes = QJsonDocument(QJsonObject { { QStringLiteral("notes"), notes } }).toJson(QJsonDocument::Indented);
        if (const auto failure = platform::writeFileAtomically(m_path, bytes))
            return QStringLiteral("The file %1 could not be written: %2").arg(m_path, failure->reason);
        return std::nullopt;
    }

private:
    static QString freeName(const QString& base)
    {
        QString name = base;
        for (int n = 2; QFileInfo::exists(name); ++n)
            name = base + QLatin1Char('-') + QString::number(n);
        return name;
    }

    QString m_path;
    QHash<QString, ObjectSchema> m_schemas;
};

} // namespace

struct NoteWriter::Shared {
    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    int retryMs = 5000;
    // Waiting, in the order given; being written; kept in the file.
    QStringList order;
    QHash<QString, Item> queue;
    QHash<QString, Item> inFlight;
    QHash<QString, Item> kept;
    // Rounds of the thread whose outcome has not reached the main thread yet.
    int undelivered = 0;
    std::thread thread;
};

namespace {

class Worker {
public:
    using Shared = NoteWriter::Shared;
    using Delivery = std::vector<std::pair<NoteWriter::Completion, NoteWriter::Result>>;
    using Report = std::function<void(Delivery, std::optional<StoreError> problem, bool hasKept)>;

    Worker(Shared& shared, QString databasePath, QString keptPath, std::optional<StoreError> problem, Report report)
        : s(shared)
        , m_databasePath(std::move(databasePath))
        , m_configuration(RealmSetup::configuration(m_databasePath))
        , m_file(std::move(keptPath), m_configuration.objectSchemas)
        , m_report(std::move(report))
        , m_problem(std::move(problem))
    {
        m_configuration.busyTimeoutMs = kBusyAttemptMs;
    }

    void run()
    {
        bool retryDue;
        {
            std::vector<Item> loaded = m_file.load();
            std::lock_guard lock(s.mutex);
            for (Item& item : loaded)
                s.kept.insert(keyOf(item), std::move(item));
            // Notes kept by an earlier run are taken in at once.
            retryDue = !s.kept.isEmpty();
        }
        for (;;) {
            {
                std::unique_lock lock(s.mutex);
                const auto ready = [&] { return s.stopping || !s.queue.isEmpty(); };
                if (!retryDue && !ready()) {
                    if (!s.kept.isEmpty() || m_busy)
                        s.wake.wait_for(lock, std::chrono::milliseconds(m_busy ? kBusyAttemptMs : s.retryMs), ready);
                    else
                        s.wake.wait(lock, ready);
                }
                retryDue = false;
                if (s.stopping)
                    break;
                ++s.undelivered;
                for (const QString& key : std::as_const(s.order))
                    s.inFlight.insert(key, s.queue.take(key));
                m_batch = s.order;
                s.order.clear();
            }
            step();
        }
        finish();
    }

private:
    // Opens the database when needed; false when it cannot take notes now.
    bool connect()
    {
        if (m_db)
            return true;
        StoreError error;
        m_db = Database::open(m_configuration, &error);
        if (m_db)
            return true;
        if (error.code == StoreErrorCode::Busy) {
            m_busy = true;
            return false;
        }
        m_problem = error;
        return false;
    }

    void step()
    {
        Delivery delivery;
        m_busy = false;
        if (!connect()) {
            if (m_busy)
                requeue(m_batch);
            else
                keep(m_batch, delivery);
            report(std::move(delivery));
            return;
        }
        takeKeptNotes();
        for (qsizetype i = 0; i < m_batch.size(); ++i) {
            Item item;
            {
                std::lock_guard lock(s.mutex);
                item = s.inFlight.value(m_batch[i]);
            }
            const std::optional<StoreError> error = m_db ? write(item) : m_problem;
            if (!error) {
                settle(m_batch[i], { NoteWriter::Outcome::Stored, std::nullopt }, delivery);
                continue;
            }
            if (error->code == StoreErrorCode::Busy) {
                m_busy = true;
                requeue(m_batch.mid(i));
                break;
            }
            if (isStoreProblem(*error)) {
                m_problem = error;
                m_db.reset();
                keep(m_batch.mid(i), delivery);
                break;
            }
            settle(m_batch[i], { NoteWriter::Outcome::Failed, error }, delivery);
        }
        if (m_db && !m_busy)
            m_problem.reset();
        report(std::move(delivery));
    }

    std::optional<StoreError> write(const Item& item)
    {
        return m_db->write([&](platform::store::WriteTransaction& tx) {
            const QString id = record::string(item.record, QStringLiteral("id"));
            ObjectValues values = item.record;
            if (!item.fields.isEmpty()) {
                const std::optional<ObjectValues> stored = tx.object(item.className, id);
                if (!stored) {
                    if (item.mustExist) {
                        tx.cancel(StoreError { StoreErrorCode::Cancelled, QStringLiteral("The note no longer exists.") });
                        return;
                    }
                } else {
                    values = *stored;
                    for (const QString& field : item.fields) {
                        if (item.record.contains(field))
                            values.insert(field, item.record.value(field));
                        else
                            values.remove(field);
                    }
                }
            }
            tx.put(item.className, values);
        });
    }

    // The notes kept in the file go into the database in one transaction; then the file goes.
    void takeKeptNotes()
    {
        std::vector<Item> kept;
        {
            std::lock_guard lock(s.mutex);
            for (const Item& item : std::as_const(s.kept))
                kept.push_back(item);
        }
        if (kept.empty())
            return;
        // Kept because nobody could store them: whatever they change, they are the latest.
        const auto error = m_db->write([&](platform::store::WriteTransaction& tx) {
            for (const Item& item : kept)
                tx.put(item.className, item.record);
        });
        if (error) {
            if (error->code == StoreErrorCode::Busy) {
                m_busy = true;
            } else {
                m_problem = error;
                m_db.reset();
            }
            return;
        }
        std::lock_guard lock(s.mutex);
        for (const Item& item : kept) {
            const QString key = keyOf(item);
            // Still the same note: one kept again meanwhile stays.
            if (s.kept.contains(key) && s.kept.value(key).record == item.record)
                s.kept.remove(key);
        }
        if (const auto failure = saveKept())
            log().error(*failure);
        else
            log().info(QStringLiteral("Kept notes were stored in the database"));
    }

    void requeue(const QStringList& keys)
    {
        std::lock_guard lock(s.mutex);
        QStringList again;
        for (const QString& key : keys) {
            Item item = s.inFlight.take(key);
            if (s.queue.contains(key)) {
                // A newer note for the same record came meanwhile: it goes after this one.
                Item newer = s.queue.take(key);
                merge(item, std::move(newer));
                s.order.removeAll(key);
            }
            s.queue.insert(key, std::move(item));
            again << key;
        }
        s.order = again + s.order;
    }

    // The notes go to the file; each one's completions hear where.
    void keep(const QStringList& keys, Delivery& delivery)
    {
        std::vector<Item> moved;
        std::optional<QString> failure;
        {
            std::lock_guard lock(s.mutex);
            for (const QString& key : keys) {
                Item item = s.inFlight.take(key);
                Item entry;
                entry.className = item.className;
                entry.record = item.record;
                s.kept.insert(key, entry);
                moved.push_back(std::move(item));
            }
            failure = saveKept();
            if (failure) {
                for (const QString& key : keys)
                    s.kept.remove(key);
            }
        }
        for (Item& item : moved) {
            NoteWriter::Result result;
            if (failure) {
                log().error(*failure);
                result = { NoteWriter::Outcome::Failed,
                    StoreError { StoreErrorCode::Io, QStringLiteral("The note could be neither stored (%1) nor kept (%2)").arg(problemText(), *failure) } };
            } else {
                result = { NoteWriter::Outcome::Kept, m_problem };
            }
            for (auto& completion : item.completions)
                delivery.emplace_back(std::move(completion), result);
        }
    }

    void settle(const QString& key, const NoteWriter::Result& result, Delivery& delivery)
    {
        Item item;
        {
            std::lock_guard lock(s.mutex);
            item = s.inFlight.take(key);
        }
        for (auto& completion : item.completions)
            delivery.emplace_back(std::move(completion), result);
    }

    // Under the lock.
    std::optional<QString> saveKept() const
    {
        std::vector<const Item*> items;
        for (const Item& item : std::as_const(s.kept))
            items.push_back(&item);
        std::sort(items.begin(), items.end(), [](const Item* a, const Item* b) { return keyOf(*a) < keyOf(*b); });
        return m_file.save(items);
    }

    QString problemText() const { return m_problem ? m_problem->message : QStringLiteral("the database cannot take it"); }

    void report(Delivery delivery)
    {
        bool hasKept;
        {
            std::lock_guard lock(s.mutex);
            hasKept = !s.kept.isEmpty();
        }
        m_report(std::move(delivery), m_problem, hasKept);
    }

    // At the end, what is still waiting gets one more try at the database (unless it is
    // locked); what it cannot take goes to the file, so that it is there at the next start.
    void finish()
    {
        {
            std::lock_guard lock(s.mutex);
            for (const QString& key : std::as_const(s.order))
                s.inFlight.insert(key, s.queue.take(key));
            m_batch = s.order;
            s.order.clear();
        }
        if (!m_batch.isEmpty() && !m_busy && connect()) {
            for (const QString& key : std::as_const(m_batch)) {
                Item item;
                {
                    std::lock_guard lock(s.mutex);
                    item = s.inFlight.value(key);
                }
                const std::optional<StoreError> error = write(item);
                if (error && (error->code == StoreErrorCode::Busy || isStoreProblem(*error)))
                    break;
                std::lock_guard lock(s.mutex);
                s.inFlight.remove(key);
            }
        }
        stop();
    }

    void stop()
    {
        std::lock_guard lock(s.mutex);
        QStringList keys = s.inFlight.keys() + s.order;
        if (keys.isEmpty())
            return;
        for (const QString& key : std::as_const(keys)) {
            Item item = s.inFlight.contains(key) ? s.inFlight.take(key) : s.queue.take(key);
            item.completions.clear();
            s.kept.insert(key, std::move(item));
        }
        if (const auto failure = saveKept())
            log().error(*failure);
        else
            log().warning(QStringLiteral("Notes the database could not take yet were kept in %1").arg(m_file.path()));
    }

    Shared& s;
    QString m_databasePath;
    platform::store::Configuration m_configuration;
    KeptNotesFile m_file;
    Report m_report;
    std::unique_ptr<Database> m_db;
    std::optional<StoreError> m_problem;
    bool m_busy = false;
    QStringList m_batch;
};

} // namespace

NoteWriter::NoteWriter(const QString& databasePath, const QString& keptNotesPath, std::optional<StoreError> problem, QObject* parent)
    : QObject(parent)
    , m_databasePath(databasePath)
    , m_keptNotesPath(keptNotesPath)
    , d(std::make_shared<Shared>())
    , m_problem(problem)
{
    m_hasKeptNotes = QFileInfo::exists(keptNotesPath);
    QPointer<NoteWriter> self(this);
    auto report = [self](Worker::Delivery delivery, std::optional<StoreError> problem, bool hasKept) {
        if (!self)
            return;
        QMetaObject::invokeMethod(self.data(), [self, delivery = std::move(delivery), problem, hasKept] {
            if (!self)
                return;
            self->setState(problem, hasKept);
            self->deliver(delivery);
            std::lock_guard lock(self->d->mutex);
            --self->d->undelivered;
        }, Qt::QueuedConnection);
    };
    d->thread = std::thread([shared = d, databasePath, keptNotesPath, problem, report] {
        Worker(*shared, databasePath, keptNotesPath, problem, report).run();
    });
}

NoteWriter* NoteWriter::shared()
{
    return RealmSetup::noteWriter();
}

NoteWriter::~NoteWriter()
{
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    d->wake.notify_all();
    if (d->thread.joinable())
        d->thread.join();
}

QString NoteWriter::keptNotesPathFor(const QString& databasePath, const QString& programName)
{
    return QFileInfo(databasePath).dir().filePath(programName + QStringLiteral(" unsaved notes.json"));
}

void NoteWriter::put(const QString& className, const ObjectValues& record, Completion done)
{
    update(className, record, {}, std::move(done));
}

void NoteWriter::update(const QString& className, const ObjectValues& record, const QStringList& fields, Completion done)
{
    Item item;
    item.className = className;
    item.record = record;
    item.fields = fields;
    item.mustExist = !fields.isEmpty();
    if (done)
        item.completions.push_back(std::move(done));
    const QString key = keyOf(item);
    {
        std::lock_guard lock(d->mutex);
        if (d->queue.contains(key)) {
            merge(d->queue[key], std::move(item));
        } else {
            d->queue.insert(key, std::move(item));
            d->order << key;
        }
    }
    d->wake.notify_all();
}

std::vector<ObjectValues> NoteWriter::unsettledNotes(const QString& className) const
{
    std::lock_guard lock(d->mutex);
    // The newest first: what is queued replaces what is being written, which replaces what is kept.
    QHash<QString, ObjectValues> notes;
    for (const auto* items : { &d->kept, &d->inFlight, &d->queue }) {
        for (auto it = items->cbegin(); it != items->cend(); ++it) {
            if (it->className != className)
                continue;
            ObjectValues values = notes.value(it.key());
            if (it->fields.isEmpty()) {
                values = it->record;
            } else {
                if (values.isEmpty())
                    values = it->record;
                for (const QString& field : it->fields)
                    values.insert(field, it->record.value(field));
            }
            notes.insert(it.key(), values);
        }
    }
    std::vector<ObjectValues> result;
    for (auto& values : notes)
        result.push_back(std::move(values));
    return result;
}

std::optional<ObjectValues> NoteWriter::unsettledNote(const QString& className, const QString& id) const
{
    for (auto& values : unsettledNotes(className)) {
        if (record::string(values, QStringLiteral("id")).compare(id, Qt::CaseInsensitive) == 0)
            return values;
    }
    return std::nullopt;
}

QString NoteWriter::problemDescription() const
{
    if (!m_problem && !m_hasKeptNotes)
        return {};
    const QString database = QDir::toNativeSeparators(m_databasePath);
    const QString kept = QDir::toNativeSeparators(m_keptNotesPath);
    if (!m_problem)
        return QStringLiteral("Notes are kept in “%1” until the notes database “%2” can take them.").arg(kept, database);
    // The reason names the file itself when it comes from opening it.
    const QString reason = m_problem->message.contains(m_databasePath)
        ? QStringLiteral("Notes cannot be stored: %1.").arg(m_problem->message)
        : QStringLiteral("The notes database “%1” cannot be used: %2.").arg(database, m_problem->message);
    return reason + QStringLiteral(" What you type in notes is kept in “%1” until the database can take it.").arg(kept);
}

bool NoteWriter::isIdle() const
{
    std::lock_guard lock(d->mutex);
    return d->queue.isEmpty() && d->inFlight.isEmpty();
}

bool NoteWriter::isSettled() const
{
    std::lock_guard lock(d->mutex);
    return d->queue.isEmpty() && d->inFlight.isEmpty() && d->undelivered == 0;
}

void NoteWriter::setRetryIntervalMs(int milliseconds)
{
    {
        std::lock_guard lock(d->mutex);
        d->retryMs = milliseconds;
    }
    d->wake.notify_all();
}

void NoteWriter::deliver(const std::vector<std::pair<Completion, Result>>& completions)
{
    for (const auto& [completion, result] : completions) {
        if (completion)
            completion(result);
    }
}

void NoteWriter::setState(std::optional<StoreError> problem, bool hasKeptNotes)
{
    const bool changed = hasKeptNotes != m_hasKeptNotes || problem.has_value() != m_problem.has_value()
        || (problem && m_problem && problem->message != m_problem->message);
    m_problem = std::move(problem);
    m_hasKeptNotes = hasKeptNotes;
    if (changed)
        emit stateChanged();
}

} // namespace penwick
