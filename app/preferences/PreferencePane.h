#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

namespace penwick {

// One pane of the preferences window: a toolbar item (identifier, label, image) and the
// view shown when it is chosen. The window calls viewWillAppear() before showing the
// pane and viewDidDisappear() after switching away from it or closing.
class PreferencePane : public QWidget {
    Q_OBJECT
public:
    explicit PreferencePane(QWidget* parent = nullptr) : QWidget(parent) {}

    virtual QString identifier() const = 0;
    virtual QString toolbarItemLabel() const = 0;
    virtual QIcon toolbarItemImage() const = 0;

    virtual void viewWillAppear() {}
    virtual void viewDidDisappear() {}

    // The toolbar image "<name>.svg" of the shipped "Images" folder; a null icon when missing.
    static QIcon namedImage(const QString& name);
};

} // namespace penwick
