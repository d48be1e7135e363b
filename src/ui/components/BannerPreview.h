#pragma once

#include <QWidget>

namespace corvane {

class StyledLabel;
class SymbolTile;

// A picture of a notification as the desktop will show it: the app's bell, the app name and time, the
// title (at most two lines) and the message (at most three), on a raised rounded panel. Empty texts
// show as "(empty title)" and "(empty body)". The widget keeps room around the panel for its shadow
// (shadowMargins()).
class BannerPreview : public QWidget {
    Q_OBJECT

public:
    explicit BannerPreview(QWidget* parent = nullptr);
    BannerPreview(const QString& title, const QString& message, const QString& appName, const QString& timeLabel,
        QWidget* parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    QString message() const { return m_message; }
    void setMessage(const QString& message);
    QString appName() const { return m_appName; }
    void setAppName(const QString& appName);
    QString timeLabel() const { return m_timeLabel; }
    void setTimeLabel(const QString& timeLabel);

    static QMargins shadowMargins();

    StyledLabel* titleLabel() const { return m_titleLabel; }
    StyledLabel* messageLabel() const { return m_messageLabel; }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void describe();

    QString m_title;
    QString m_message;
    QString m_appName;
    QString m_timeLabel;
    SymbolTile* m_tile;
    StyledLabel* m_appNameLabel;
    StyledLabel* m_timeLabelLabel;
    StyledLabel* m_titleLabel;
    StyledLabel* m_messageLabel;
};

} // namespace corvane
