#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace corvane {

class BannerPreview;
class GrowingTextField;

// The notification part of the editor: the Title, Body and Filter fields, the sound picker with
// "Test fire", and the preview of the notification. edited() follows every change of a field or the
// sound; what the fields mean is the owner's business.
class NotificationFields : public QWidget {
    Q_OBJECT

public:
    explicit NotificationFields(QWidget* parent = nullptr);

    QLineEdit* titleField() const { return m_titleField; }
    GrowingTextField* bodyField() const { return m_bodyField; }
    QLineEdit* filterField() const { return m_filterField; }
    QComboBox* soundPicker() const { return m_soundPicker; }
    QPushButton* testFireButton() const { return m_testFireButton; }
    BannerPreview* preview() const { return m_preview; }

signals:
    void edited();

private:
    QWidget* makeSoundRow();

    QLineEdit* m_titleField;
    GrowingTextField* m_bodyField;
    QLineEdit* m_filterField;
    QComboBox* m_soundPicker = nullptr;
    QPushButton* m_testFireButton = nullptr;
    BannerPreview* m_preview;
};

} // namespace corvane
