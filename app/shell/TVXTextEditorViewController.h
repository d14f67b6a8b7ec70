#pragma once

#include "shell/MainTextEditor.h"
#include "shell/TVXEditorViewController.h"
#include "shell/ThemeErrorsBar.h"

#include "highlighter/MarkdownHighlighter.h"

#include "platform/Observation.h"

#include <QColor>

#include <vector>

namespace penwick {

// The Markdown editor pane: loads the document's text into a MainTextEditor, highlights it
// with the editor theme (the document's own, else the preferred one), applies the font,
// paragraph style, margins and text-checking settings, dims all but the current paragraph in
// distraction-free mode, and reports every text change to its delegate. Editing undoes
// through the document, whose edited state follows the view's undo manager.
class TVXTextEditorViewController : public TVXEditorViewController {
    Q_OBJECT
public:
    // Settings of the paragraph style, integer points.
    static inline const QString EDITOR_LINE_HEIGHT = QStringLiteral("editorLineHeight");
    static inline const QString EDITOR_PARAGRAPH_SPACING = QStringLiteral("editorParagraphSpacing");
    static inline const QString EDITOR_FIRST_LINE_INDENT = QStringLiteral("editorFirstLineIndent");
    static constexpr double INACTIVE_ALPHA = 0.1;

    // The settings key of a text-checking switch: "editor" followed by its name.
    static QString textCheckingKey(const QString& name);
    // The switch's value when nothing is stored.
    static QVariant textCheckingDefault(const QString& name);

    explicit TVXTextEditorViewController(TVXDocument* document, QObject* parent = nullptr,
        const std::optional<QString>& fallbackStylePath = std::nullopt);
    ~TVXTextEditorViewController() override;

    // Makes every new document's editor a text editor pane.
    static void installAsEditorFactory();

    MainTextEditor* editorTextView() const { return m_editor; }
    MarkdownHighlighter* highlighter() const { return m_highlighter; }
    // Above the editor: what is wrong with the theme it shows, if anything.
    ThemeErrorsBar* themeErrorsBar() const { return m_themeErrors; }
    bool isInDistractionFreeMode() const { return m_distractionFree; }
    QColor activeColor() const { return m_activeColor; }
    QColor inactiveColor() const { return m_inactiveColor; }
    bool needsParagraphStyleRenewal() const { return m_renewParagraphStyle; }

    // --- Set-up ---
    void awakeFromNib();
    void setupEditor();
    void setupHighlighter();
    void applyStyles();
    void applyParagraphStyle();
    void setEditorKeys();
    void removeObservers();
    void applyTextChange();

    // The theme used while neither this document nor the preferences name one.
    void setFallbackStylePath(const std::optional<QString>& path);
    std::optional<QString> fallbackStylePath() const { return m_fallbackStylePath; }

    // --- Overrides ---
    void setOverriddenStylePath(const std::optional<QString>& path) override;
    void loadDocument() override;
    std::optional<QString> getTextStorage(bool breakUndoCoalescing) override;
    platform::TextView* getEditorTextView() override;
    void removeDelegates() override;
    void willClose() override;
    void enterDistractionFreeMode() override;
    void exitDistractionFreeMode() override;
    void adjustForWindow(QWidget* window) override;
    void adjustMarginsForWindow(QWidget* window);
    QWidget* documentView() const override;
    void selectAndScroll(platform::TextRange range, bool doSelect) override;
    void applyDistractionFreeModeAttributes();

private:
    void textDidChange();
    void textViewDidChangeSelection();
    void textViewDidScroll();
    void settingChanged();
    platform::TextRanges spellingSkipRanges(platform::TextRange checked) const;
    // Activates the highlighter, unless a change of look that holds it back is under way.
    void activateHighlighter();
    // Holds activations back while the look is set up in several steps, so that the text is
    // parsed once, at the end, and not once for each step (a parse of a long text takes
    // seconds and hundreds of megabytes).
    struct HeldActivation;

    QPointer<MainTextEditor> m_editor;
    QPointer<MarkdownHighlighter> m_highlighter;
    QPointer<ThemeErrorsBar> m_themeErrors;
    QColor m_activeColor;
    QColor m_inactiveColor;
    bool m_distractionFree = false;
    bool m_renewParagraphStyle = false;
    int m_heldActivations = 0;
    std::optional<QString> m_fallbackStylePath;
    std::vector<platform::Observation> m_observations;
    std::vector<QMetaObject::Connection> m_editorConnections;
    std::vector<QMetaObject::Connection> m_scrollConnections;
};

} // namespace penwick
