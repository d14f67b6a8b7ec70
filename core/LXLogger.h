#pragma once

#include <QString>

namespace penwick {

// Leveled logger. Every line is written at once, never held in a buffer:
// - errors: "Error: <message>\n" on standard output, and to the system's log (the journal)
//   when one listens, so that they outlive the program;
// - warnings: "Warning: <message>\n" on standard error;
// - the other levels accept a message and drop it.
class LXLogger {
public:
    // `tag` names the program in the system's log; empty: the running program's name.
    explicit LXLogger(QString tag = {});
    virtual ~LXLogger() = default;

    virtual void error(const QString& message);
    virtual void warning(const QString& message);
    virtual void debug(const QString& message);
    virtual void critical(const QString& message);
    virtual void info(const QString& message);

    QString tag() const { return m_tag; }

private:
    QString m_tag;
};

// The framework's own logger, created on first use.
LXLogger& log();

} // namespace penwick
