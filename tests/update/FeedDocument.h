#pragma once

#include <QByteArray>
#include <QList>

namespace corvane::test {

// One release item of an update feed: version, build (omitted when empty), download page, and any
// further elements as written.
inline QByteArray feedItem(const QByteArray& version, const QByteArray& build = {},
    const QByteArray& link = "https://downloads.example.org/corvane", const QByteArray& extra = {})
{
    QByteArray item = "<item><title>Corvane " + version + "</title><link>" + link + "</link><corvane:version>" + version
        + "</corvane:version>";
    if (!build.isEmpty()) {
        item += "<corvane:build>" + build + "</corvane:build>";
    }
    return item + extra + "</item>";
}

// An update feed listing `items` in its channel.
inline QByteArray feedDocument(const QList<QByteArray>& items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:corvane="https://corvane.dev/update-feed"><channel><title>Corvane</title>)"
        + items.join('\n') + "</channel></rss>\n";
}

} // namespace corvane::test
