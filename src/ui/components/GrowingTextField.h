#pragma once

#include <QPlainTextEdit>

namespace corvane {

// A plain-text field in the filled look of FilledFieldStyle that grows with its text from one line to
// `maximumLines` (wrapped lines count) and scrolls beyond that; at its ends the wheel scrolls the page
// around it. Tab moves the focus on.
class GrowingTextField : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit GrowingTextField(int maximumLines, QWidget* parent = nullptr);

    // The lines the field is high at its current text and width.
    int visibleLines() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int fittingHeight() const;
    void refit();

    int m_maximumLines;
};

} // namespace corvane
