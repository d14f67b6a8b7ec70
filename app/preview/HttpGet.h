#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace penwick {

// Why a fetch could not be started.
struct HttpGetError {
    QString message;
};

// Fetches `url` with a GET on the program's one network manager, following redirects, and
// calls exactly one handler on the main thread: `success` with the body for a 2xx/3xx answer
// whose body is UTF-8, `failure` for anything else (a status of 400 or more, a transport
// error, a 30 s transfer timeout, a body that is not UTF-8). A URL that does not parse
// strictly, or is not http or https, is an error returned at once; then nothing is sent
// and no handler runs. Must be called on the main thread.
[[nodiscard]] std::optional<HttpGetError> httpGet(const QString& url, std::function<void()> failure,
    std::function<void(const QString& body)> success);

} // namespace penwick
