#pragma once

#include <QTimer>
#include <QWidget>

namespace corvane {

// A short confirmation of an action that shows no other sign of success, such as "Copied" beside a copy
// button: a green checkmark and the text, in caption type, for visibleMilliseconds after each confirm().
// Assistive technology is told each time: it is a notification (which AT-SPI screen readers read out
// when it appears) and raises an alert. Its room stays reserved while it is hidden, so nothing moves
// when it appears.
class TransientConfirmation : public QWidget {
    Q_OBJECT

public:
    static constexpr int visibleMilliseconds = 2000;

    explicit TransientConfirmation(const QString& text, QWidget* parent = nullptr);

    // Shows the confirmation afresh, for visibleMilliseconds from now.
    void confirm();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFont();

    QString m_text;
    QTimer m_timer;
};

} // namespace corvane
