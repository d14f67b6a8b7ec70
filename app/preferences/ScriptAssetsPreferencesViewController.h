#pragma once

#include "preferences/PreferencePane.h"
#include "preferences/ScriptAssetsPopoverDelegate.h"

#include <QList>
#include <QPointer>

class QPushButton;
class QTableView;

namespace penwick {

class JSCallbackPreferencesPopoverController;
class ScriptAssetsPopoverController;
class ScriptAssetsTableModel;

// The "Script Assets" pane: the scripts and style sheets every preview page loads. Boxes
// enable them, Remove deletes the selected ones, a drag between rows reorders them, and
// two popovers add an asset and edit the preview's update callback. Every change that
// reaches the database is followed by ScriptAssetsManager::updateScriptAssets().
class ScriptAssetsPreferencesViewController : public PreferencePane, public ScriptAssetsPopoverDelegate {
    Q_OBJECT
public:
    explicit ScriptAssetsPreferencesViewController(QWidget* parent = nullptr);
    ~ScriptAssetsPreferencesViewController() override;

    QString identifier() const override { return QStringLiteral("ScriptAssets"); }
    QString toolbarItemLabel() const override { return QStringLiteral("Script Assets"); }
    QIcon toolbarItemImage() const override { return namedImage(QStringLiteral("scriptAssetsPref")); }

    void viewWillAppear() override;

    void toggleEnable(int row, bool enabled);
    void removeSource();
    // Moves the rows (in the given order) to the insertion point, then stores the new order.
    void acceptDrop(const QList<int>& rows, int insertionRow);
    void addNewSource(QWidget* sender);
    void addCallbackScript(QWidget* sender);
    void scriptAssetsHelp();

    void didAddSite(const ScriptAssetItem& item) override;
    void didAddCallbackJS(const QString& script) override;

    // The list moves of a drop, two shift counters as rows above and below the insertion
    // point move; rows and insertion point must lie within the list.
    template <typename T>
    static void reorder(QList<T>& list, const QList<int>& rows, int insertionRow);

    const QList<ScriptAssetItem>& scriptAssetItems() const;
    QTableView* tableView() const { return m_tableView; }
    ScriptAssetsTableModel* model() const { return m_model; }
    QPushButton* removeBtn() const { return m_removeBtn; }
    QPushButton* addBtn() const { return m_addBtn; }
    QPushButton* callbackBtn() const { return m_callbackBtn; }
    ScriptAssetsPopoverController* sourcePopover() const { return m_sourcePopover; }
    JSCallbackPreferencesPopoverController* callbackScriptPopover() const { return m_callbackScriptPopover; }

private:
    void reload();
    // Gives every item its list position as `order` and a fresh updatedDate, in one write.
    void renumber();

    ScriptAssetsTableModel* m_model = nullptr;
    QTableView* m_tableView = nullptr;
    QPushButton* m_removeBtn = nullptr;
    QPushButton* m_addBtn = nullptr;
    QPushButton* m_callbackBtn = nullptr;
    QPushButton* m_helpBtn = nullptr;
    ScriptAssetsPopoverController* m_sourcePopover = nullptr;
    JSCallbackPreferencesPopoverController* m_callbackScriptPopover = nullptr;
};

template <typename T>
void ScriptAssetsPreferencesViewController::reorder(QList<T>& list, const QList<int>& rows, int insertionRow)
{
    int shiftAbove = 0;
    int shiftBelow = 0;
    const auto move = [&list](int from, int to) {
        if (from < 0 || from >= list.size() || to < 0 || to >= list.size())
            return;
        T item = list.takeAt(from);
        list.insert(to, std::move(item));
    };
    for (int row : rows) {
        if (row < insertionRow) {
            move(row + shiftAbove, insertionRow - 1);
            --shiftAbove;
        } else {
            move(row, insertionRow + shiftBelow);
            ++shiftBelow;
        }
    }
}

} // namespace penwick
