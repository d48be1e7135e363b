#pragma once

#include <QWidget>

#include <nlohmann/json.hpp>

class QLineEdit;
class QPushButton;

namespace corvane {

class BannerPreview;
class GrowingTextField;
class SoundPicker;
struct ListenerDraft;

// The notification part of the editor: the Title, Body, Link and Filter fields, the sound picker with
// "Test fire", and the preview of the notification. edited() follows every change of a field or the
// sound.
class NotificationFields : public QWidget {
    Q_OBJECT

public:
    explicit NotificationFields(QWidget* parent = nullptr);

    QLineEdit* titleField() const { return m_titleField; }
    GrowingTextField* bodyField() const { return m_bodyField; }
    QLineEdit* linkField() const { return m_linkField; }
    QLineEdit* filterField() const { return m_filterField; }
    SoundPicker* soundPicker() const { return m_soundPicker; }
    QPushButton* testFireButton() const { return m_testFireButton; }
    BannerPreview* preview() const { return m_preview; }

    // The draft's notification part into the fields, and back.
    void showDraft(const ListenerDraft& draft);
    void readDraft(ListenerDraft& draft) const;
    // The preview of what `draft` notifies over `context`, unset templates as their defaults.
    void showPreview(const ListenerDraft& draft, const nlohmann::json& context);
    // Adds the token of a payload value to the title or body (Template::combine).
    void addToTitle(const QString& path);
    void addToBody(const QString& path);
    QList<QWidget*> focusOrder() const;

signals:
    void edited();

private:
    QWidget* makeSoundRow();

    QLineEdit* m_titleField;
    GrowingTextField* m_bodyField;
    QLineEdit* m_linkField;
    QLineEdit* m_filterField;
    SoundPicker* m_soundPicker = nullptr;
    QPushButton* m_testFireButton = nullptr;
    BannerPreview* m_preview;
};

} // namespace corvane
