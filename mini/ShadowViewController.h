#pragma once

#include "AppTracker.h"
#include "EditViewController.h"
#include "Models/ShadowDocument.h"
#include "ShadowItem.h"
#include "platform/text/TextRange.h"

#include <QMap>

#include <optional>

class QComboBox;
class QLabel;

namespace penwick {

// The shadow page: one note per document open in the program the user was working in, and one
// for the program itself. The documents come from the program's shadow script; notes are
// ShadowDocument records found by (path, source identifier). A note stays transient, and is
// never written, until the user types into it.
class ShadowViewController : public EditViewController, public AppTrackerDelegate {
    Q_OBJECT
public:
    explicit ShadowViewController(QWidget* parent = nullptr);
    ~ShadowViewController() override;

    QLabel* appIconImageView() const { return m_iconView; }
    QComboBox* shadowListPopUpBtn() const { return m_popup; }
    QLabel* pathLbl() const { return m_pathLabel; }
    const QList<ShadowItem>& shadowList() const { return m_shadowList; }
    const std::optional<ShadowDocument>& shadowDocument() const { return m_document; }
    const std::optional<RunningApplication>& shadowApp() const { return m_shadowApp; }

    std::optional<StoreError> saveDocument() override;
    void becomeInTransient() override;
    bool canSaveNote() const override;
    void viewWillAppear() override;
    void viewWillDisappear() override;
    void didSetCurrentApplication(const std::optional<RunningApplication>& application) override;

    void changeShadowListPopUpSelection(int index);

private:
    void chooseShadowApp();
    void refreshList();
    void restoreSelection();
    void showIconAndPath(const ShadowItem& item);
    void loadNote(const QString& path, const QString& identifier);
    std::optional<StoreError> saveNote(int index);
    void saveNoteLogged(int index);

    QLabel* m_iconView = nullptr;
    QComboBox* m_popup = nullptr;
    QLabel* m_pathLabel = nullptr;
    std::optional<ShadowDocument> m_document;
    bool m_stored = false;
    QList<ShadowItem> m_shadowList;
    std::optional<ShadowItem> m_selectedItemBeforeDisappearance;
    std::optional<platform::TextRanges> m_selectedRangesBeforeDisappearance;
    std::optional<RunningApplication> m_shadowApp;
    QMap<QString, QString> m_scripts;
    int m_previousSelectedIndex = 0;
};

} // namespace penwick
