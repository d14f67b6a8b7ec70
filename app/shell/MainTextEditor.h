#pragma once

#include "TextEditor/TextEditorView.h"

#include <QVariant>

class QMenu;

namespace penwick {

namespace platform {
class ContinuousSpellChecker;
}

// Penwick's editor view: the Markdown text view with spell checking, whose base path and
// dropped files come from the document window it sits in.
class MainTextEditor : public TextEditorView {
    Q_OBJECT
public:
    explicit MainTextEditor(QWidget* parent = nullptr);
    ~MainTextEditor() override;

    // The path of the window's base URL; empty outside a document window or without a URL.
    QString basePath() const override;
    // Hands dropped files to the document window, which opens them; nothing outside one.
    void handleDragAndDropFiles(const QStringList& paths) override;

    // --- Text checking ---
    // The names of the eight text-checking switches, as stored under "editor<name>".
    static const QStringList& textCheckingProperties();
    QVariant textCheckingValue(const QString& name) const;
    // Sets a switch; announces a change with textCheckingChanged.
    void setTextCheckingValue(const QString& name, const QVariant& value);
    bool isContinuousSpellCheckingEnabled() const;
    void setContinuousSpellCheckingEnabled(bool enabled);
    platform::ContinuousSpellChecker* spellChecker() const { return m_spelling; }

    // The context menu at a point of the viewport: spelling suggestions, the edit commands,
    // and the spelling switch.
    QMenu* createContextMenu(const QPoint& viewportPoint, QWidget* parent);

signals:
    void textCheckingChanged(const QString& name, const QVariant& value);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QVariantMap m_textChecking;
    platform::ContinuousSpellChecker* m_spelling = nullptr;
};

} // namespace penwick
