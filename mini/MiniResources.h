#pragma once

#include <QString>

namespace penwick {

// PenwickMini's own resources: the "mini" folder of the shared resources folder, ending in "/".
QString miniResourcesFolder();
// The path of resource `name` of type `type` there; empty when the file does not exist.
QString miniResourcePath(const QString& name, const QString& type);

} // namespace penwick
