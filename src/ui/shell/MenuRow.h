#pragma once

#include <QAbstractButton>

class QHBoxLayout;

namespace corvane {

class StyledLabel;
class SymbolView;

// One clickable row of the tray panel: an icon (or a leading widget, or a blank of the icon's width),
// the title, then optionally a trailing widget, a shortcut hint and a chevron. Highlighted while the
// pointer is over it or it has keyboard focus.
class MenuRow : public QAbstractButton {
    Q_OBJECT

public:
    struct Content {
        QString icon;
        QWidget* leading = nullptr;
        QString title;
        QWidget* trailing = nullptr;
        QString shortcut;
        bool chevron = false;
    };

    explicit MenuRow(const Content& content, QWidget* parent = nullptr);

    bool isHovered() const { return m_hovered; }
    // For rows made with an icon.
    void setSymbol(const QString& symbol);
    void setTitle(const QString& title);

    QSize sizeHint() const override;

protected:
    // For rows that lay out their own content (RecentRow).
    MenuRow(QWidget* parent, int verticalPadding);
    QHBoxLayout* rowLayout() const { return m_layout; }

    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* m_layout;
    SymbolView* m_icon = nullptr;
    StyledLabel* m_title = nullptr;
    bool m_hovered = false;
};

} // namespace corvane
