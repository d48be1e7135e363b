#include "update/UpdateFeed.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <optional>

namespace corvane::UpdateFeed {
namespace {

UpdateFailure xmlError(const QXmlStreamReader& reader)
{
    return UpdateFailure::malformedFeed(QStringLiteral("%1 (line %2, column %3)")
            .arg(reader.errorString())
            .arg(reader.lineNumber())
            .arg(reader.columnNumber()));
}

bool isRss(const QXmlStreamReader& reader, QStringView name)
{
    return reader.namespaceUri().isEmpty() && reader.name() == name;
}

bool isOurs(const QXmlStreamReader& reader, QStringView name)
{
    return reader.namespaceUri() == QLatin1StringView(namespaceURI) && reader.name() == name;
}

// An absolute http or https URL, or nothing.
std::optional<QUrl> webURL(const QString& text)
{
    QUrl url(text, QUrl::StrictMode);
    const bool web = url.scheme() == u"http" || url.scheme() == u"https";
    if (!url.isValid() || !web || url.host().isEmpty()) {
        return std::nullopt;
    }
    return url;
}

// The text fields of one <item>, as written.
struct ItemFields {
    QString title;
    QString link;
    QString publicationDate;
    QString description;
    QString version;
    QString build;
    QString releaseNotesLink;
};

// Reads up to the item's end tag; the caller checks the reader for errors.
ItemFields readItem(QXmlStreamReader& reader)
{
    const auto text
        = [&reader] { return reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement).trimmed(); };
    ItemFields fields;
    while (reader.readNextStartElement()) {
        if (isRss(reader, u"title")) {
            fields.title = text();
        } else if (isRss(reader, u"link")) {
            fields.link = text();
        } else if (isRss(reader, u"pubDate")) {
            fields.publicationDate = text();
        } else if (isRss(reader, u"description")) {
            fields.description = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isOurs(reader, u"version")) {
            fields.version = text();
        } else if (isOurs(reader, u"build")) {
            fields.build = text();
        } else if (isOurs(reader, u"releaseNotesLink")) {
            fields.releaseNotesLink = text();
        } else {
            reader.skipCurrentElement();
        }
    }
    return fields;
}

std::expected<FeedRelease, UpdateFailure> release(const ItemFields& fields, qsizetype number)
{
    const auto failure = [number](const QString& detail) {
        return std::unexpected(UpdateFailure::malformedFeed(QStringLiteral("item %1 %2").arg(number).arg(detail)));
    };
    if (fields.version.isEmpty()) {
        return failure(QStringLiteral("has no <corvane:version>"));
    }
    const auto version = ReleaseVersion::parse(fields.version, fields.build);
    if (!version) {
        return failure(QStringLiteral("has version \"%1\" and build \"%2\", which are not numbers separated by dots")
                .arg(fields.version, fields.build));
    }
    const auto downloadPage = webURL(fields.link);
    if (!downloadPage) {
        return failure(QStringLiteral("has no http or https <link> to its download page (\"%1\")").arg(fields.link));
    }
    FeedRelease release{*version, fields.title, *downloadPage, {}, fields.description, {}};
    if (!fields.releaseNotesLink.isEmpty()) {
        const auto notes = webURL(fields.releaseNotesLink);
        if (!notes) {
            return failure(QStringLiteral("has a <corvane:releaseNotesLink> that is not an http or https URL (\"%1\")")
                    .arg(fields.releaseNotesLink));
        }
        release.releaseNotesLink = *notes;
    }
    if (!fields.publicationDate.isEmpty()) {
        release.published = QDateTime::fromString(fields.publicationDate, Qt::RFC2822Date);
        if (!release.published.isValid()) {
            return failure(
                QStringLiteral("has a <pubDate> that is not an RFC 822 date (\"%1\")").arg(fields.publicationDate));
        }
    }
    return release;
}

} // namespace

std::expected<std::vector<FeedRelease>, UpdateFailure> releases(const QByteArray& document)
{
    QXmlStreamReader reader(document);
    if (!reader.readNextStartElement()) {
        return std::unexpected(
            reader.hasError() ? xmlError(reader) : UpdateFailure::malformedFeed(QStringLiteral("it is empty")));
    }
    if (!isRss(reader, u"rss")) {
        return std::unexpected(UpdateFailure::malformedFeed(
            QStringLiteral("its root element is <%1>, not <rss>").arg(reader.qualifiedName())));
    }
    std::vector<FeedRelease> found;
    bool sawChannel = false;
    while (reader.readNextStartElement()) {
        if (!isRss(reader, u"channel") || sawChannel) {
            reader.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (reader.readNextStartElement()) {
            if (!isRss(reader, u"item")) {
                reader.skipCurrentElement();
                continue;
            }
            const ItemFields fields = readItem(reader);
            if (reader.hasError()) {
                return std::unexpected(xmlError(reader));
            }
            auto item = release(fields, static_cast<qsizetype>(found.size()) + 1);
            if (!item) {
                return std::unexpected(item.error());
            }
            found.push_back(*std::move(item));
        }
    }
    // The rest of the document must be well-formed too.
    while (!reader.atEnd()) {
        reader.readNext();
    }
    if (reader.hasError()) {
        return std::unexpected(xmlError(reader));
    }
    if (!sawChannel) {
        return std::unexpected(UpdateFailure::malformedFeed(QStringLiteral("its <rss> element has no <channel>")));
    }
    return found;
}

std::expected<FeedRelease, UpdateFailure> newestRelease(const QByteArray& document)
{
    auto all = releases(document);
    if (!all) {
        return std::unexpected(all.error());
    }
    if (all->empty()) {
        return std::unexpected(UpdateFailure::malformedFeed(QStringLiteral("it lists no releases")));
    }
    // max_element keeps the first of equals.
    return *std::ranges::max_element(*all, {}, &FeedRelease::version);
}

} // namespace corvane::UpdateFeed
