#pragma once

#include <QList>
#include <QWidget>

namespace corvane {

// The bar beneath a screen's scrolling page that keeps the screen's actions in view whatever the page's
// length: a divider, then `leading` controls at the left and `trailing` ones at the right, padded as
// the page's content is. It takes the controls over.
class FooterBar : public QWidget {
    Q_OBJECT

public:
    FooterBar(const QList<QWidget*>& leading, const QList<QWidget*>& trailing, QWidget* parent = nullptr);
};

} // namespace corvane
