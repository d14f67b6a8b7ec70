#pragma once

// A document window of the program's own parts, for benchmarks that type into a saved document
// with its preview pane open (or none), and wait until the preview has caught up.

#include "BenchSupport.h"

#include "platform/text/TextView.h"
#include "platform/web/WebView.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPane.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXTextEditorViewController.h"
#include "shell/WindowPreview.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTextCursor>

#include <memory>

namespace penwick::bench {

struct PreviewedDocumentWindow {
    PreviewedDocumentWindow(bool withPreview, const QString& path, const QString& text)
    {
        if (withPreview) {
            pane = std::make_unique<PreviewPane>();
            pane->resize(700, 700);
            pane->show();
            pane->controller()->setSplitView(&splitPoster, [] { return 1; });
            adapter = std::make_unique<WindowPreview>(pane->controller());
        }
        controller = std::make_unique<TVXDocumentWindowController>();
        if (adapter)
            controller->setPreviewController(adapter.get());
        controller->window()->show();
        document = std::make_unique<TVXDocument>();
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
        document->setContents(text); // before the URL, which makes the editor
        // A saved document: its preview updates by injection (an unsaved one with no copy yet
        // loads the whole page at each pause).
        document->setFileURL(QUrl::fromLocalFile(path));
        controller->addDocument(document.get());
        view = document->editorViewController()->getEditorTextView();
        view->moveCursor(QTextCursor::End);
    }
    ~PreviewedDocumentWindow()
    {
        controller.reset();
        adapter.reset();
        pane.reset();
    }
    QVariant eval(const QString& script)
    {
        QVariant result;
        bool answered = false;
        pane->webView()->runScript(script, platform::WebView::World::Page, [&](const QVariant& value) {
            result = value;
            answered = true;
        });
        bench::waitFor([&] { return answered; });
        return result;
    }
    bool idle() const
    {
        return !pane || (!pane->webView()->isLoadPending() && !pane->controller()->hasPendingRender() && !pane->controller()->isBusy());
    }

    int splitPoster = 0;
    std::unique_ptr<TVXDocument> document; // outlives the window
    std::unique_ptr<PreviewPane> pane;
    std::unique_ptr<WindowPreview> adapter;
    std::unique_ptr<TVXDocumentWindowController> controller;
    platform::TextView* view = nullptr;
};

// A lower-case letter or a space, pressed and released on `view`.
inline void keystroke(QWidget* view, QChar character)
{
    const int key = character == QLatin1Char(' ') ? int(Qt::Key_Space) : int(Qt::Key_A) + (character.unicode() - 'a');
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(character));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(character));
    QCoreApplication::sendEvent(view, &press);
    QCoreApplication::sendEvent(view, &release);
}

} // namespace penwick::bench
