#include "shell/TVXCreditsWindowController.h"

#include "platform/StandardLocations.h"
#include "shell/WindowPlacement.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>

namespace penwick {

TVXCreditsWindowController::TVXCreditsWindowController(QObject* parent)
    : QObject(parent)
{
    m_window = new QWidget(nullptr, Qt::Window);
    m_window->setObjectName(QStringLiteral("CreditsWindow"));
    m_window->setWindowTitle(QStringLiteral("Credits"));
    m_window->resize(520, 560);
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_creditsTextView = new QTextBrowser(m_window);
    m_creditsTextView->setReadOnly(true);
    m_creditsTextView->setOpenExternalLinks(true);
    layout->addWidget(m_creditsTextView);
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), m_window);
    close->setContext(Qt::WindowShortcut);
    connect(close, &QShortcut::activated, this, &TVXCreditsWindowController::performTabClose);
    windowDidLoad();
}

TVXCreditsWindowController::~TVXCreditsWindowController()
{
    delete m_window.data();
}

QString TVXCreditsWindowController::creditsPath()
{
    return QDir(platform::resourcesDirectory()).absoluteFilePath(QStringLiteral("Components Credits.html"));
}

void TVXCreditsWindowController::windowDidLoad()
{
    QFile file(creditsPath());
    if (file.open(QIODevice::ReadOnly))
        m_creditsTextView->setHtml(QString::fromUtf8(file.readAll()));
    else
        m_creditsTextView->setPlainText(QStringLiteral("The credits could not be read from \"%1\".").arg(creditsPath()));
}

void TVXCreditsWindowController::showWindow()
{
    if (!m_placed) {
        // Left to the window manager, a tall window can open low on a short screen with its
        // bottom cut off; it opens centred on the screen of the window it was asked from.
        const QWidget* from = QApplication::activeWindow();
        QScreen* screen = from && from->screen() ? from->screen() : QGuiApplication::primaryScreen();
        if (screen)
            m_window->setGeometry(centredWindowGeometry(m_window->size(), frameMargins(from), screen->availableGeometry()));
        m_placed = true;
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void TVXCreditsWindowController::performTabClose()
{
    m_window->close();
}

} // namespace penwick
