#pragma once

#include "preview/OutlineDelegate.h"
#include "preview/OutlineRange.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QAbstractButton;
class QCheckBox;
class QListWidget;

namespace penwick {

class EditorOutlinePopover;

// Lists the headings of the editor's text in a popover, indented by level (code-block
// openers too while the check box is on), and hands a chosen row to the delegate. The lists
// are taken when the popover opens and dropped when it closes; the outline button mirrors
// whether the popover is open.
class EditorOutlineController : public QObject {
    Q_OBJECT
public:
    explicit EditorOutlineController(QObject* parent = nullptr);

    // The popover whose list and check box this controller fills and answers (not owned).
    void setEditorOutlinePopover(EditorOutlinePopover* popover);
    EditorOutlinePopover* editorOutlinePopover() const { return m_popover; }
    QListWidget* outlineTableView() const;
    QCheckBox* showCodeBlocksCheckBox() const;
    void setShowOutlineBtn(QAbstractButton* button) { m_showOutlineBtn = button; }
    QAbstractButton* showOutlineBtn() const { return m_showOutlineBtn; }
    // Not owned; the window sets itself before every showing.
    void setEditorOutlineDelegate(OutlineDelegate* delegate) { m_delegate = delegate; }
    OutlineDelegate* editorOutlineDelegate() const { return m_delegate; }

    const QList<OutlineRange>& withoutCodeBlocksOutlineRanges() const { return m_withoutCodeBlocks; }
    const QList<OutlineRange>& originalOutlineRanges() const { return m_original; }
    // The full list while the check box is on, the headings otherwise.
    const QList<OutlineRange>& currentOutlineRanges() const;

    // Opens the popover at `sender` with the outline of `text`; an empty text only turns the
    // button off.
    void showOutlines(QWidget* sender, const QString& text);
    // The check box's action: the list follows its state.
    void toggleShowCodeBlocks();

    // A row's text: the title behind one blank per leading "#".
    static QString displayTitle(const QString& title);

private:
    void reloadData();
    void tableViewSelectionDidChange();
    void popoverDidShow();
    void popoverDidClose();

    QPointer<EditorOutlinePopover> m_popover;
    QPointer<QAbstractButton> m_showOutlineBtn;
    OutlineDelegate* m_delegate = nullptr;
    QList<OutlineRange> m_withoutCodeBlocks;
    QList<OutlineRange> m_original;
};

} // namespace penwick
