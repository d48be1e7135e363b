#pragma once

#include "ui/components/Theme.h"

#include <QIconEngine>

namespace corvane {

// Draws one symbol for a QIcon, resolving its tint when drawn (see Symbols::icon).
class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(QString name, Theme::Tint tint);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QIconEngine* clone() const override;
    QString key() const override;
    QString iconName() override;
    bool isNull() override;

private:
    QColor colourFor(QIcon::Mode mode) const;

    QString m_name;
    Theme::Tint m_tint;
};

} // namespace corvane
