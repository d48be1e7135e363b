#pragma once

#include <QPlainTextEdit>

#include <memory>

namespace corvane {

// A read-only, selectable block of monospaced text for bodies of any size: as tall as its lines up to
// maximumLines, beyond that it scrolls (at its ends the wheel scrolls the page around it). Lines are not
// wrapped (wider ones scroll sideways), so the height follows from the line count, and only the lines in
// its own viewport are ever laid out (a QPlainTextEdit lays out every line its viewport holds, whether
// or not an outer view shows them).
class PayloadBodyText : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int maximumLines = 40;

    explicit PayloadBodyText(const QString& text, QWidget* parent = nullptr);
    // Shows a document made by makeDocument().
    explicit PayloadBodyText(std::unique_ptr<QTextDocument> document, QWidget* parent = nullptr);

    // The text as a document in `font`, made on any thread and handed to the GUI thread: filling one
    // with thousands of lines takes milliseconds.
    static std::unique_ptr<QTextDocument> makeDocument(const QString& text, const QFont& font);
    static QFont textFont();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setUp();
    void applyStyle();
    int contentHeight() const;
};

} // namespace corvane
