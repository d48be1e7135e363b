#pragma once

#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QVBoxLayout;

namespace corvane {

class StyledLabel;

// The title block at the top of a screen: a large title, an optional subtitle beneath it and an
// optional trailing widget (a count, a button) on the right, aligned with the title's baseline.
// Screens put a divider directly under it.
class ScreenHeader : public QWidget {
    Q_OBJECT

public:
    explicit ScreenHeader(const QString& title = {}, const QString& subtitle = {}, QWidget* trailing = nullptr,
        QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    QString subtitle() const;
    // The empty text for no subtitle.
    void setSubtitle(const QString& subtitle);
    QWidget* trailing() const { return m_trailing; }
    // Takes ownership of `trailing`; the previous one is deleted.
    void setTrailing(QWidget* trailing);

    StyledLabel* titleLabel() const { return m_titleLabel; }
    StyledLabel* subtitleLabel() const { return m_subtitleLabel; }

    bool event(QEvent* event) override;

private:
    void alignBaselines();

    QHBoxLayout* m_layout;
    QVBoxLayout* m_textColumn;
    QVBoxLayout* m_trailingColumn;
    StyledLabel* m_titleLabel;
    StyledLabel* m_subtitleLabel;
    QPointer<QWidget> m_trailing;
};

} // namespace corvane
