#pragma once

class QWebEngineProfile;

namespace penwick::platform {

// The one web profile of every view of the process: off the record, scripts on, local
// pages may load local and remote subresources, and page scripts may not read local files
// outside the application's resources (LocalFileGuard).
QWebEngineProfile* sharedWebProfile();

} // namespace penwick::platform
