#pragma once

#include "platform/Dialogs.h"
#include "platform/document/DocumentError.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QLineEdit;
class QWidget;

namespace penwick {

// A sidebar item could not be opened as a document. Files that are unreadable or not UTF-8
// (code 40) and unknown read failures (256) open in their default application instead,
// without an alert, unless that application is Penwick itself; any other error shows an alert
// until it is dismissed, with the reason where it is known (no such file, no permission, not
// UTF-8).
void showErrorLoadingItem(const platform::DocumentError& error, const QString& name, const QString& path);

// An alert attached to `window` with the other buttons in order, then the cancel button
// (when given) last. Pressing the cancel button calls `onCancel`; any other button calls
// `onDismiss` with its index among the other buttons. Each alert keeps its own handlers.
// Answers the alert's widget.
QWidget* showSheetModalForWindow(QWidget* window, const QString& title, const QString& informativeText,
    platform::AlertStyle style, const std::optional<QString>& cancelButtonTitle, const QStringList& otherButtonTitles,
    std::function<void(int buttonIndex)> onDismiss, std::function<void()> onCancel);

// The end of a sheet alert: buttons return 1000, 1001, ... in order. The last button with a
// cancel button present cancels; otherwise the other button's index is dismissed with.
void alertDidEnd(int returnCode, int buttonCount, bool hasCancelButton,
    const std::function<void(int)>& onDismiss, const std::function<void()>& onCancel);

// Empties a text field.
void clear(QLineEdit* field);

} // namespace penwick
