#pragma once

#include <QPlainTextEdit>

namespace corvane {

// A multi-line text field in the look of FilledFieldStyle that grows with its text from `minimumLines`
// to `maximumLines` lines, then scrolls. Tab moves the focus on instead of inserting a tab.
class GrowingTextField : public QPlainTextEdit {
    Q_OBJECT

public:
    GrowingTextField(int minimumLines, int maximumLines, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool event(QEvent* event) override;

private:
    void applyFont();
    void refit();
    int visibleLines() const;
    int idealHeight() const;

    int m_minimumLines;
    int m_maximumLines;
};

} // namespace corvane
