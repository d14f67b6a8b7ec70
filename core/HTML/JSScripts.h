#pragma once

#include <QString>

#include <optional>

namespace penwick {

// The JavaScript of the preview and export pages: page functions the preview calls by name
// (bare definitions) and ready script elements, each "" when its setting is off. The repair
// functions take an address on the page's own origin (the preview serves its pages and their
// folder from a scheme of its own) for a local one, as they take file: addresses.
class JSScripts {
public:
    // Function definitions the preview injects into pages itself.
    static const QString& repairRemoteImageSourcesFunc();
    static const QString& repairLinkHrefsFunc();
    static const QString& repairLocalImageSourcesFunc();
    static const QString& mediumClassInjectionFunc();

    // Script elements, built from the settings at each call.
    static QString mathJaxScript();
    static QString prismScript();
    static QString jekyllScript();
    static QString repairMMDCodeScript();
    static QString repairLocalImageScript();

    // The user's update callback as the named function the preview calls after each update,
    // or run once when an exported page has loaded; absent when there is no callback text.
    static std::optional<QString> onUpdateCallbackScript();
    static std::optional<QString> onUpdateCallbackScriptForExport();

    // The folder under which a local image path counts as absolute: the parent of the
    // user's home folder with a final "/" ("/home/"), or the home folder itself when that
    // parent is the file-system root.
    static QString absoluteImageRoot();

private:
    static const QString& repairMMDCodeFunc();
    static const QString& hideJekyllFunc();
};

} // namespace penwick
