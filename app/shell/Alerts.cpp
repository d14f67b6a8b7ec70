#include "shell/Alerts.h"

#include "CoreMagicStrings.h"
#include "platform/DefaultApplications.h"
#include "platform/Workspace.h"
#include "platform/document/DocumentTypes.h"
#include "common/AppLogger.h"
#include "shell/TVXDocument.h"

#include <QLineEdit>
#include <QUrl>

namespace penwick {

namespace {

// Whether the desktop would hand the file straight back: its default application is Penwick,
// which cannot read it either (and would be asked again, without end).
bool defaultApplicationIsPenwick(const QString& path)
{
    const std::optional<QString> id = platform::DefaultApplications().queryDefault(platform::DocumentTypes::typeOfFile(path));
    return id && id->compare(CoreMagicStrings::FULL_APP_PATH + QStringLiteral(".desktop"), Qt::CaseInsensitive) == 0;
}

} // namespace

void showErrorLoadingItem(const platform::DocumentError& error, const QString& name, const QString& path)
{
    appLog().warning(QStringLiteral("Error loading item %1: %2").arg(name, error.localizedDescription()));
    const bool handOver = error.code == TVXDocument::UnreadableContents || error.code == platform::DocumentError::FileReadUnknown;
    if (handOver && !defaultApplicationIsPenwick(path)) {
        platform::Workspace::openURL(QUrl::fromLocalFile(path));
        return;
    }
    // Where the reason is known it is given; otherwise the general one.
    const bool knownReason = error.code == TVXDocument::UnreadableContents || error.code == platform::DocumentError::FileReadNoSuchFile
        || error.code == platform::DocumentError::FileReadNoPermission || error.code == platform::DocumentError::FileReadNotRegularFile
        || error.code == platform::DocumentError::FileReadTooLarge;
    platform::AlertSpec alert;
    alert.messageText = QStringLiteral("Error opening ") + name;
    alert.informativeText = knownReason && !error.localizedDescription().isEmpty()
        ? error.localizedDescription()
        : QStringLiteral("May be the file format is not supported, or the file is corrupted, or the file encoding is invalid.");
    alert.style = platform::AlertStyle::Critical;
    platform::Dialogs::current().runModalAlert(nullptr, alert);
}

void alertDidEnd(int returnCode, int buttonCount, bool hasCancelButton,
    const std::function<void(int)>& onDismiss, const std::function<void()>& onCancel)
{
    if (returnCode - 999 == buttonCount && hasCancelButton) {
        if (onCancel)
            onCancel();
        return;
    }
    if (onDismiss)
        onDismiss(returnCode - 1000);
}

QWidget* showSheetModalForWindow(QWidget* window, const QString& title, const QString& informativeText,
    platform::AlertStyle style, const std::optional<QString>& cancelButtonTitle, const QStringList& otherButtonTitles,
    std::function<void(int)> onDismiss, std::function<void()> onCancel)
{
    platform::AlertSpec alert;
    alert.messageText = title;
    alert.informativeText = informativeText;
    alert.style = style;
    alert.buttons = otherButtonTitles;
    const bool hasCancel = cancelButtonTitle.has_value();
    if (hasCancel) {
        alert.buttons.append(*cancelButtonTitle);
        alert.cancelButton = int(alert.buttons.size()) - 1;
    }
    const int count = alert.buttons.isEmpty() ? 1 : int(alert.buttons.size());
    // The handlers travel with this alert, never through shared slots.
    return platform::Dialogs::current().beginSheetAlert(window, alert,
        [count, hasCancel, onDismiss = std::move(onDismiss), onCancel = std::move(onCancel)](int index) {
            alertDidEnd(1000 + index, count, hasCancel, onDismiss, onCancel);
        });
}

void clear(QLineEdit* field)
{
    if (field)
        field->setText(QString());
}

} // namespace penwick
