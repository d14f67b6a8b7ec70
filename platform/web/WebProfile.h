#pragma once

class QWebEngineProfile;

namespace penwick::platform {

// The one web profile of every view of the process: off the record, scripts on, pages
// served by PageScheme, no file access from pages (LocalFileGuard refuses what is left), and
// windows opened only at the user's request.
QWebEngineProfile* sharedWebProfile();

} // namespace penwick::platform
