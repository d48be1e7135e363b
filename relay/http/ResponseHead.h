#pragma once

#include "http/HttpResponse.h"

#include <string>

namespace corvane::relay::ResponseHead {

// Writes the status line and header fields of `response` into `head`, first compressing its body
// when the client accepts gzip and that pays. Fields whose name or value holds a line break are left
// out.
void write(std::string& head, HttpResponse& response, bool keepAlive, bool gzip);

} // namespace corvane::relay::ResponseHead
