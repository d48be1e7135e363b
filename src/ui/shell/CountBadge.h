#pragma once

#include "ui/components/Theme.h"

#include <QWidget>

namespace corvane {

// A count on a capsule: caption 2, semibold, monospaced digits.
class CountBadge : public QWidget {
    Q_OBJECT

public:
    struct Look {
        Theme::Colour text;
        Theme::Colour fill;
        qreal fillOpacity;
        int horizontalPadding;
    };
    // Secondary text on the primary colour at 8 %.
    static constexpr Look neutral{Theme::Colour::secondary, Theme::Colour::primary, 0.08, 6};
    // The same with narrower padding, for the tray panel.
    static constexpr Look compact{Theme::Colour::secondary, Theme::Colour::primary, 0.08, 5};
    // Accent text on the accent colour at 15 %.
    static constexpr Look accented{Theme::Colour::accent, Theme::Colour::accent, 0.15, 6};

    CountBadge(qint64 count, Look look, QWidget* parent = nullptr);

    qint64 count() const { return m_count; }
    void setCount(qint64 count);
    QString text() const { return QString::number(m_count); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    qint64 m_count;
    Look m_look;
};

} // namespace corvane
