#pragma once

#include "Models/RecordSupport.h"
#include "platform/store/Database.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace penwick {

// Writes notes (scratch and shadow records) into the shared database on a thread of its own,
// with a connection of its own, so that a database another program holds locked never makes
// the window wait: a write waits there until the lock is free.
//
// When the database cannot take notes at all (the file is damaged, written by a newer
// program, or cannot be opened or written), every note given to it is kept in a file beside
// the database ("<program> unsaved notes.json") instead, and taken into the database, and out
// of that file, as soon as the database can take it: at once when the writer starts, then
// every few seconds and at every new note. Notes still waiting when the writer ends go to that
// file too, so nothing given to it is lost.
class NoteWriter : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Stored, // committed to the database
        Kept,   // kept in the file beside the database, until the database can take it
        Failed, // refused for good (the record to update is gone); `error` says why
    };
    struct Result {
        Outcome outcome = Outcome::Stored;
        std::optional<StoreError> error; // Failed: why; Kept: why the database cannot take it
    };
    using Completion = std::function<void(const Result&)>;

    // `databasePath` is opened with RealmSetup's configuration, when there is a note to write
    // or kept notes to take in; `keptNotesPath` is the file of notes the database could not
    // take. `problem`: why the database could not be opened just now, if it could not.
    NoteWriter(const QString& databasePath, const QString& keptNotesPath, std::optional<StoreError> problem = std::nullopt,
        QObject* parent = nullptr);
    ~NoteWriter() override;

    // The writer of the database RealmSetup opened (made by RealmSetup); null when none.
    static NoteWriter* shared();
    // "<program> unsaved notes.json" beside `databasePath`.
    static QString keptNotesPathFor(const QString& databasePath, const QString& programName);

    QString databasePath() const { return m_databasePath; }
    QString keptNotesPath() const { return m_keptNotesPath; }

    // Queues the whole record: inserted, or replacing the stored one. A later note with the
    // same id replaces a queued one that has not been written yet.
    void put(const QString& className, const platform::store::ObjectValues& record, Completion done = {});
    // Queues a change of these fields of a stored record, keeping its other fields as the
    // database holds them then; Failed when the record is gone. `record` is the whole record
    // as the caller knows it: what is kept in the file when the database cannot take it.
    void update(const QString& className, const platform::store::ObjectValues& record, const QStringList& fields,
        Completion done = {});

    template <class Record>
    void put(const Record& record, Completion done = {}) { put(Record::className(), record.toObjectValues(), std::move(done)); }

    // The records of the class not yet in the database: queued, being written or kept in the
    // file; each as it will be stored. Readers lay these over what the database answers.
    std::vector<platform::store::ObjectValues> unsettledNotes(const QString& className) const;
    std::optional<platform::store::ObjectValues> unsettledNote(const QString& className, const QString& id) const;
    bool hasUnsettledNote(const QString& className, const QString& id) const { return unsettledNote(className, id).has_value(); }

    // Why the database cannot take notes now (none while it can), and whether notes are kept
    // in the file. Both change on the main thread, with stateChanged().
    std::optional<StoreError> problem() const { return m_problem; }
    bool hasKeptNotes() const { return m_hasKeptNotes; }
    // The sentence a window shows while notes cannot be stored; empty while they can.
    QString problemDescription() const;

    // Nothing is waiting or being written: every note given is in the database, in the file,
    // or refused (its completion may still be on its way to the main thread).
    bool isIdle() const;
    // Idle, and every completion has been called: what was given is where it will stay.
    bool isSettled() const;

    // How long to wait before trying a database that could not take notes again.
    void setRetryIntervalMs(int milliseconds);

signals:
    void stateChanged();

public:
    // What the writer shares with its thread.
    struct Shared;

private:
    void deliver(const std::vector<std::pair<Completion, Result>>& completions);
    void setState(std::optional<StoreError> problem, bool hasKeptNotes);

    QString m_databasePath;
    QString m_keptNotesPath;
    std::shared_ptr<Shared> d;
    std::optional<StoreError> m_problem;
    bool m_hasKeptNotes = false;
};

} // namespace penwick
