#pragma once

#include <QHashFunctions>
#include <QString>

namespace penwick::platform {
class TextView;
}

namespace penwick {

// What a pending command did with a key.
enum class CommandResult {
    Handled,   // it acted; the key is consumed
    UnHandled, // it did nothing with this input
    Error,     // it does not apply at this location
};

inline size_t qHash(CommandResult result, size_t seed = 0) noexcept
{
    return ::qHash(int(result), seed);
}

// The last character the view paired automatically, or the one waiting for its partner.
struct Autopair {
    Autopair(const QString& ch, qsizetype pos) : character(ch), position(pos) {}
    QString character;
    qsizetype position; // stored, never read
};

// A command the editor view keeps pending after inserting text the user did not type; a
// later Tab, Escape or line break acts on it. Locations and lengths are UTF-16 units.
class AutoInsertCommand {
public:
    AutoInsertCommand() = default;
    virtual ~AutoInsertCommand() = default;

    // `input` is one typed character ("\t" for Tab) or "ESC"; `location` is where the view's
    // selection starts.
    virtual CommandResult execute(const QString& input, qsizetype location, platform::TextView& textView);
    virtual void updateCurrentInsertLocation(qsizetype location);
};

// Characters inserted after the cursor: Escape removes them (as an undoable edit), Tab moves
// the cursor past them.
class AutoPairedCommand : public AutoInsertCommand {
public:
    explicit AutoPairedCommand(const QString& added) : m_addedCharacters(added) {}

    CommandResult execute(const QString& input, qsizetype location, platform::TextView& textView) override;
    void updateCurrentInsertLocation(qsizetype location) override { m_location = location; }

    const QString& addedCharacters() const { return m_addedCharacters; }
    qsizetype location() const { return m_location; }
    void setLocation(qsizetype location) { m_location = location; }

private:
    QString m_addedCharacters;
    qsizetype m_location = 0;
};

// The tail of a dropped link after the cursor: a line break or Tab jumps past it.
class LinkDragAndDropInsertCommand : public AutoInsertCommand {
public:
    explicit LinkDragAndDropInsertCommand(qsizetype length) : m_suffixLength(length) {}

    CommandResult execute(const QString& input, qsizetype location, platform::TextView& textView) override;
    void updateCurrentInsertLocation(qsizetype location) override { m_location = location; }

    qsizetype suffixLength() const { return m_suffixLength; }
    qsizetype location() const { return m_location; }
    void setLocation(qsizetype location) { m_location = location; }

private:
    qsizetype m_suffixLength = 0;
    qsizetype m_location = 0;
};

} // namespace penwick
