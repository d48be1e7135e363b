#pragma once

#include "ui/components/Theme.h"

#include <QWidget>

namespace corvane {

// A short status word on a capsule tinted in the word's colour, such as "delivered" in green.
class StatusPill : public QWidget {
    Q_OBJECT

public:
    explicit StatusPill(const QString& label = {}, Theme::Tint tint = Theme::Colour::accent, QWidget* parent = nullptr);

    QString label() const { return m_label; }
    void setLabel(const QString& label);
    Theme::Tint tint() const { return m_tint; }
    void setTint(const Theme::Tint& tint);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFont();

    QString m_label;
    Theme::Tint m_tint;
};

} // namespace corvane
