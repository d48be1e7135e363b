#include "ui/inspector/BodyExcerpt.h"

#include <QCoreApplication>
#include <QLocale>

#include <iomanip>
#include <ostream>
#include <streambuf>

namespace corvane {
namespace {

// Receives the body's text as it is written, and escapes "/" in JSON text.
class BodyBuffer : public std::streambuf {
public:
    explicit BodyBuffer(bool escapeSlashes) : m_escapeSlashes(escapeSlashes) { }

    void write(std::string_view text)
    {
        for (const char character : text) {
            // A "/" can only occur inside strings in JSON text, so every one of them is escaped.
            if (m_escapeSlashes && character == '/') {
                put('\\');
            }
            put(character);
        }
    }

protected:
    virtual void put(char character) = 0;

    int_type overflow(int_type character) override
    {
        if (!traits_type::eq_int_type(character, traits_type::eof())) {
            const char single = traits_type::to_char_type(character);
            write(std::string_view(&single, 1));
        }
        return traits_type::not_eof(character);
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        write(std::string_view(text, static_cast<std::size_t>(count)));
        return count;
    }

private:
    bool m_escapeSlashes;
};

class WholeBuffer : public BodyBuffer {
public:
    using BodyBuffer::BodyBuffer;
    std::string text;

protected:
    void put(char character) override { text += character; }
};

class ExcerptBuffer : public BodyBuffer {
public:
    using BodyBuffer::BodyBuffer;
    std::string shown;
    std::size_t total = 0;
    bool linesCut = false;

protected:
    void put(char character) override
    {
        ++total;
        if (m_full) {
            return;
        }
        if (shown.size() >= BodyExcerpt::shownLimit) {
            m_full = true;
            endBefore(character);
        } else if (character == '\n') {
            shown += character;
            m_line = 0;
            m_lineCut = false;
        } else if (m_line < BodyExcerpt::lineLimit) {
            shown += character;
            ++m_line;
        } else if (!m_lineCut) {
            endBefore(character);
            shown += "…";
            m_lineCut = true;
            linesCut = true;
        }
    }

private:
    // Drops the end of a character that `next` would have continued.
    void endBefore(char next)
    {
        if (!isContinuation(next)) {
            return;
        }
        for (int step = 0; step < 3 && !shown.empty() && isContinuation(shown.back()); ++step) {
            shown.pop_back();
        }
        if (!shown.empty()) {
            shown.pop_back();
        }
    }

    static bool isContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U; }

    std::size_t m_line = 0;
    bool m_lineCut = false;
    bool m_full = false;
};

// Writes `value` to `buffer`; false when it holds strings that are not valid UTF-8, after which the
// buffer holds part of it.
bool writeJson(const nlohmann::json& value, BodyBuffer& buffer)
{
    std::ostream stream(&buffer);
    try {
        stream << std::setw(2) << value;
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

QString emptyText()
{
    return QCoreApplication::translate("PayloadInspector", "(empty)");
}

// The body written to a new `Buffer`.
template <typename Buffer> Buffer written(const Payload& payload)
{
    if (payload.body && payload.body->value.is_structured()) {
        Buffer json(true);
        if (writeJson(payload.body->value, json)) {
            return json;
        }
    }
    // Not JSON, or strings that are not valid UTF-8: the raw body.
    Buffer raw(false);
    raw.write(payload.rawBody ? *payload.rawBody : emptyText().toStdString());
    return raw;
}

QString size(std::size_t bytes)
{
    return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeIecFormat);
}

} // namespace

BodyExcerpt BodyExcerpt::of(const Payload& payload)
{
    const auto buffer = written<ExcerptBuffer>(payload);
    BodyExcerpt excerpt;
    excerpt.text = QString::fromUtf8(buffer.shown.data(), static_cast<qsizetype>(buffer.shown.size()));
    excerpt.shownBytes = buffer.shown.size();
    excerpt.totalBytes = buffer.total;
    excerpt.linesCut = buffer.linesCut;
    return excerpt;
}

std::string BodyExcerpt::wholeText(const Payload& payload)
{
    auto buffer = written<WholeBuffer>(payload);
    return std::move(buffer.text);
}

QString BodyExcerpt::note() const
{
    if (shownBytes < totalBytes) {
        const QString lines
            = linesCut ? QCoreApplication::translate("PayloadInspector", ", long lines cut") : QString();
        return QCoreApplication::translate(
            "PayloadInspector", "Showing the first %1 of %2%3. Copy or save the body for all of it.")
            .arg(size(shownBytes), size(totalBytes), lines);
    }
    if (linesCut) {
        return QCoreApplication::translate(
            "PayloadInspector", "Long lines are cut. Copy or save the body for all of it.");
    }
    return {};
}

} // namespace corvane
