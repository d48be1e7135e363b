#pragma once

#include "model/Payload.h"

#include <QString>

#include <string>

namespace corvane {

// A payload's body as the inspector shows it: pretty-printed JSON (keys sorted, "/" written as "\/")
// for an object or array body; otherwise the raw body, and "(empty)" without one. A body can be as
// large as the relay accepts, so what is shown is an excerpt of bounded size: its start, with every
// line cut after lineLimit bytes. All of it is only made for the clipboard or a file.
struct BodyExcerpt {
    static constexpr std::size_t shownLimit = 256 * 1024;
    static constexpr std::size_t lineLimit = 2000;

    QString text;
    // Bytes of the text shown, and of the whole text.
    std::size_t shownBytes = 0;
    std::size_t totalBytes = 0;
    bool linesCut = false;

    // What is shown of how much, or the empty text when all is shown.
    QString note() const;

    static BodyExcerpt of(const Payload& payload);
    static std::string wholeText(const Payload& payload);
};

} // namespace corvane
