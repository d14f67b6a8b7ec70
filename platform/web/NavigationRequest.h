#pragma once

#include <QUrl>

#include <functional>

namespace penwick::platform {

// What started a navigation that the owner of a web view is asked about.
enum class NavigationKind {
    LinkClicked, // also target="_blank" links and window.open
    FormSubmitted,
    BackForward,
    Reload,
};

struct NavigationRequest {
    QUrl url; // may be empty or invalid
    NavigationKind kind = NavigationKind::LinkClicked;
    bool mainFrame = true;
};

// Answers whether the view may go there (true) or stays on its page (false).
using NavigationPolicy = std::function<bool(const NavigationRequest&)>;

// Opens an address outside the program (browser, default application).
using UrlOpener = std::function<void(const QUrl&)>;

} // namespace penwick::platform
