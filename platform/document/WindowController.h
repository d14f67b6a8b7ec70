#pragma once

#include <QString>

#include <memory>

namespace penwick::platform {

class Document;

// How scripts address an object: an element of a container, by unique id.
struct ObjectSpecifier {
    QString containerClassName;                       // class of the container
    std::shared_ptr<const ObjectSpecifier> container; // none: the application
    QString key;                                      // the container's element list, e.g. "documents"
    QString uniqueID;
};

// What a document asks of the controller of a window that shows it.
class WindowController {
public:
    virtual ~WindowController() = default;

    virtual QString scriptClassName() const = 0;
    virtual ObjectSpecifier objectSpecifier() const = 0;
    virtual void setDocument(Document* document) = 0;
};

} // namespace penwick::platform
