#pragma once

// The least editor view controller a document needs: a real text view that loads the
// document's contents and undoes through the document. Stands in for the editor pane in
// tests of the document layer.
#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"
#include "shell/EditorViewControllerInterface.h"
#include "shell/TVXDocument.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace penwick::test {

class PlainEditorViewController : public QObject, public EditorViewControllerInterface {
public:
    explicit PlainEditorViewController(TVXDocument* document) : m_document(document)
    {
        m_textView = std::make_unique<platform::TextView>();
        document->setUndoManager(m_textView->undoManager());
        loadDocument();
    }

    QObject* asQObject() override { return this; }
    void updateDocument() override
    {
        isEdited = m_document && m_document->isDocumentEdited();
        shownTitle = m_document ? m_document->displayName() : QString();
        refreshIcon();
    }
    void refreshIcon() override
    {
        ++iconRefreshes;
        shownQuickOpenIcon = m_document && m_document->isQuickOpen();
    }
    void loadDocument() override
    {
        if (m_document)
            m_textView->setString(m_document->contents());
    }
    void setTitle(const QString& newTitle) override { shownTitle = newTitle; }
    std::optional<QString> getTextStorage(bool breakUndoCoalescing) override
    {
        if (breakUndoCoalescing)
            m_textView->breakUndoCoalescing();
        return m_textView->fileString();
    }
    platform::TextView* getEditorTextView() override { return m_textView.get(); }
    QWidget* view() const override { return m_textView.get(); }
    bool changedSinceLastTempAutoSave() const override { return m_changed; }
    void setChangedSinceLastTempAutoSave(bool changed) override { m_changed = changed; }
    void removeDelegates() override { delegatesRemoved = true; }
    QString title() const override { return shownTitle; }
    TVXDocument* document() const override { return m_document; }
    void setDelegate(TVXEditorViewControllerDelegate* delegate) override { m_delegate = delegate; }
    TVXEditorViewControllerDelegate* editorDelegate() const { return m_delegate; }
    void willClose() override { ++willCloseCalls; }
    std::optional<QString> overriddenStylePath() const override { return overriddenEditorTheme; }
    std::optional<QString> overriddenPreviewStylePath() const override { return overriddenPreviewStyle; }
    // Typing as a person does: the text changes and the delegate hears of it.
    void type(const QString& text)
    {
        m_textView->insertText(text);
        m_changed = true;
        if (m_delegate)
            m_delegate->editorTextUpdated(this);
    }

    bool isEdited = false;
    QString shownTitle;
    int iconRefreshes = 0;
    bool shownQuickOpenIcon = false;
    bool delegatesRemoved = false;
    int willCloseCalls = 0;
    std::optional<QString> overriddenEditorTheme;
    std::optional<QString> overriddenPreviewStyle;

private:
    QPointer<TVXDocument> m_document;
    std::unique_ptr<platform::TextView> m_textView;
    bool m_changed = false;
    TVXEditorViewControllerDelegate* m_delegate = nullptr;
};

// Installs the plain controller as the documents' editor for the life of the object.
struct PlainEditorFactoryScope {
    PlainEditorFactoryScope()
    {
        TVXDocument::setEditorViewControllerFactory([](TVXDocument* d) { return new PlainEditorViewController(d); });
    }
    ~PlainEditorFactoryScope() { TVXDocument::setEditorViewControllerFactory({}); }
};

inline PlainEditorViewController* plainEditor(TVXDocument& document)
{
    return static_cast<PlainEditorViewController*>(document.editorViewController());
}

} // namespace penwick::test
