#pragma once

#include "ui/components/Theme.h"

#include <QLabel>

namespace corvane {

// A label in one of the Theme's type styles and colours, kept in step with the desktop's font and
// colour scheme. With a maximum number of lines it wraps at word boundaries and elides the last line
// that fits; one line elides the whole text (newlines count as spaces). Without a maximum it is a plain
// QLabel in the chosen font and colour.
class StyledLabel : public QLabel {
    Q_OBJECT

public:
    explicit StyledLabel(QWidget* parent = nullptr);
    StyledLabel(const QString& text, Theme::TextStyle style, Theme::Tint tint = Theme::Colour::primary,
        QWidget* parent = nullptr);

    // The title above a form field: callout size, medium weight; `field`, when given, is its buddy, what
    // the title labels for assistive technology.
    static StyledLabel* fieldTitle(const QString& text, QWidget* field = nullptr);

    void setTextStyle(Theme::TextStyle style);
    void setTextStyle(Theme::TextStyle style, QFont::Weight weight);
    // An explicit size in pixels at the default font size, such as 22 for screen titles.
    void setSystemFont(qreal pixels, QFont::Weight weight = QFont::Normal);
    void setMonospaced(bool monospaced);
    void setLetterSpacing(qreal pixels);
    void setUppercase(bool uppercase);

    Theme::Tint tint() const { return m_tint; }
    void setTint(const Theme::Tint& tint);

    int maximumLines() const { return m_maximumLines; }
    // 0 for no limit.
    void setMaximumLines(int lines);
    void setElideMode(Qt::TextElideMode mode);
    // Text to select and copy with the mouse or the keyboard; the label is then reachable with Tab.
    void setSelectable();

    // The lines as drawn at `width`: wrapped, cut after maximumLines and elided.
    QStringList visibleLines(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFont();
    void applyColour();
    bool isClamped() const { return m_maximumLines > 0; }
    // The height `lines` lines take.
    int blockHeight(int lines) const;

    qreal m_pixelSize;
    QFont::Weight m_weight = QFont::Normal;
    bool m_monospaced = false;
    qreal m_letterSpacing = 0;
    bool m_uppercase = false;
    Theme::Tint m_tint = Theme::Colour::primary;
    int m_maximumLines = 0;
    Qt::TextElideMode m_elideMode = Qt::ElideRight;
    bool m_applying = false;
};

} // namespace corvane
