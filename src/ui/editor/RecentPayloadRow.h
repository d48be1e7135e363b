#pragma once

#include "model/Payload.h"

#include <QAbstractButton>

namespace corvane {

// One captured request as a plain button: delivered or pending symbol, method, the start of the body,
// its age and a chevron. Highlighted under the pointer; Space or Return clicks it.
class RecentPayloadRow : public QAbstractButton {
    Q_OBJECT

public:
    explicit RecentPayloadRow(Payload payload, QWidget* parent = nullptr);

    const Payload& payload() const { return m_payload; }

    QSize sizeHint() const override;
    // One line whatever the width: the body text is elided.
    bool hasHeightForWidth() const override { return false; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Payload m_payload;
    bool m_hovered = false;
};

// The text a list shows of a payload's body: the raw body when there is one, whole; otherwise the first
// 80 characters of the parsed body's text; otherwise empty.
QString shortBody(const Payload& payload);

} // namespace corvane
