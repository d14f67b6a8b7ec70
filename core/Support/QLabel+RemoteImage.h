#pragma once

#include "Support/XImage.h"

#include <QString>

class QLabel;

namespace penwick {

// Shows `placeholder` in the image view at once (a null one clears it), then the image at
// `urlString` once the shared loader has it. The loaded image is always set from the main
// thread's event loop, also when it was cached, so it appears only after this returns.
// Nothing is set on a view that is gone by then.
void loadImage(QLabel* view, const QString& urlString, const XImage& placeholder = XImage());

} // namespace penwick
