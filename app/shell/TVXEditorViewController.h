#pragma once

#include "shell/EditorViewControllerInterface.h"

#include "platform/text/TextRange.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace penwick {

class TVXDocument;

// The pane of one tab: ties a view to its document and carries the tab's title, icon and
// flags. Subclasses build the view; this base answers nothing and does nothing.
class TVXEditorViewController : public QObject, public EditorViewControllerInterface {
    Q_OBJECT
public:
    // The tab icon of the window's quick-open document.
    static QIcon quickOpenIcon();

    explicit TVXEditorViewController(TVXDocument* document, QObject* parent = nullptr);
    ~TVXEditorViewController() override;

    // --- Properties ---
    bool isEdited() const override { return m_isEdited; }
    std::optional<QString> overriddenStylePath() const override { return m_overriddenStylePath; }
    virtual void setOverriddenStylePath(const std::optional<QString>& path) { m_overriddenStylePath = path; }
    std::optional<QString> overriddenPreviewStylePath() const override { return m_overriddenPreviewStylePath; }
    void setOverriddenPreviewStylePath(const std::optional<QString>& path) { m_overriddenPreviewStylePath = path; }
    bool hasCloseButton() const { return m_hasCloseButton; }
    void setHasCloseButton(bool has) { m_hasCloseButton = has; }
    bool isFullScreenMode() const { return m_isFullScreenMode; }
    void setIsFullScreenMode(bool on) { m_isFullScreenMode = on; }
    QIcon icon() const { return m_icon; }
    QString title() const override { return m_title; }
    TVXDocument* document() const override;
    TVXEditorViewControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(TVXEditorViewControllerDelegate* delegate) override { m_delegate = delegate; }

    // --- What the document asks ---
    QObject* asQObject() override { return this; }
    void updateDocument() override;
    void refreshIcon() override;
    void loadDocument() override {}
    void setTitle(const QString& title) override;
    std::optional<QString> getTextStorage(bool /*breakUndoCoalescing*/) override { return std::nullopt; }
    platform::TextView* getEditorTextView() override { return nullptr; }
    QWidget* view() const override { return m_view; }
    bool changedSinceLastTempAutoSave() const override { return m_changedSinceLastTempAutoSave; }
    void setChangedSinceLastTempAutoSave(bool changed) override { m_changedSinceLastTempAutoSave = changed; }
    void removeDelegates() override { m_delegate = nullptr; }

    // --- Hooks the window drives ---
    void setupDocument();
    void willClose() override {}
    virtual void enterDistractionFreeMode() {}
    virtual void exitDistractionFreeMode() {}
    void adjustForWindow(QWidget* /*window*/) override {}
    // The view printed for the PDF export; none here.
    virtual QWidget* documentView() const { return nullptr; }
    void selectAndScroll(platform::TextRange /*range*/, bool /*doSelect*/) override {}

signals:
    // Title, icon or edited mark changed.
    void tabChanged();

protected:
    // The pane's view (owned: deleted with the controller unless its window took it first).
    void setView(QWidget* view) { m_view = view; }

private:
    bool m_isEdited = false;
    std::optional<QString> m_overriddenStylePath;
    std::optional<QString> m_overriddenPreviewStylePath;
    bool m_hasCloseButton = false;
    bool m_isFullScreenMode = false;
    bool m_changedSinceLastTempAutoSave = false;
    QIcon m_icon;
    QString m_title;
    QPointer<QObject> m_document;
    TVXEditorViewControllerDelegate* m_delegate = nullptr;
    QPointer<QWidget> m_view;
};

} // namespace penwick
