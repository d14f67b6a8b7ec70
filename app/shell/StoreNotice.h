#pragma once

#include <QLabel>
#include <QPointer>

namespace penwick {

class NoteWriter;

// The line under the sidebar that says, while the notes database cannot be used, why, and in
// which file the notes typed meanwhile are kept; hidden while notes are stored as usual.
class StoreNotice : public QLabel {
    Q_OBJECT
public:
    explicit StoreNotice(QWidget* parent = nullptr);

    // Follows the process's note writer (the one set up with the database) from now on.
    void follow(NoteWriter* writer);

private:
    void refresh();

    QPointer<NoteWriter> m_writer;
    QMetaObject::Connection m_connection;
};

} // namespace penwick
