#pragma once

#include <QPlainTextEdit>

namespace corvane {

// A read-only, selectable block of monospaced text as tall as its lines, for bodies of any size: lines
// are not wrapped (wider ones scroll sideways), so the height follows from the line count, and only the
// lines on screen are ever laid out.
class PayloadBodyText : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit PayloadBodyText(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyStyle();
    int contentHeight() const;
};

} // namespace corvane
