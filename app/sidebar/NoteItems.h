#pragma once

#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "platform/treelist/TreeListItem.h"
#include "sidebar/FavoriteDBItem.h"

namespace penwick {

// A row that shows one database record, kept as a value: the store may replace every row
// while a write runs, so nothing keeps a row across a write, only record values and ids.
template <typename Record>
class RecordItem : public platform::TreeListItem {
public:
    explicit RecordItem(Record record)
        : m_record(std::move(record))
    {
        setIdentifier(m_record.id());
    }
    const Record& underlyingDBItem() const { return m_record; }
    Record& mutableRecord() { return m_record; }

private:
    Record m_record;
};

// A shadow note, or the group of a source program (made from its first note).
class ShadowDocumentItem : public RecordItem<ShadowDocument> {
public:
    explicit ShadowDocumentItem(ShadowDocument note)
        : RecordItem(std::move(note))
    {
        const ShadowDocument& record = underlyingDBItem();
        setTitle(record.title().isNull() ? lastPathComponentOf(record.path()) : record.title());
    }
    QString content() const { return underlyingDBItem().content(); }

private:
    static QString lastPathComponentOf(const QString& path);
};

class ScratchDocumentItem : public RecordItem<ScratchDocument> {
public:
    explicit ScratchDocumentItem(ScratchDocument note)
        : RecordItem(std::move(note))
    {
        setTitle(underlyingDBItem().title());
    }
    QString content() const { return underlyingDBItem().content(); }
};

// The kind of a favourite, in the order the type sort gives.
enum class FavoriteKind { File = 0, Folder = 1, Scratch = 2, Shadow = 3 };

class FavoriteFileItem : public RecordItem<FavoriteDBItem> {
public:
    explicit FavoriteFileItem(FavoriteDBItem favourite);
    QString path() const { return underlyingDBItem().path(); }

    // "[unknown]" for a note URL without a title; the file name without extension otherwise.
    static QString titleForPath(const QString& path);
    // Reads the disk for anything that is not a note URL: decide it once per use.
    static FavoriteKind kindOfPath(const QString& path);
    static bool isNoteURL(const QString& path);
};

} // namespace penwick
