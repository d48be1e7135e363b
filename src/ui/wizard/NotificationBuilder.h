#pragma once

#include "model/Payload.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class QVariantAnimation;

namespace corvane {

class BannerPreview;
class GrowingTextField;
class PayloadTreeView;
class SoundPicker;

// The wizard's last step: the captured payload's tree (when there is one), the AI button (when it is
// offered), the title, body and link templates, the filter and the sound, a live preview, and the "Test fire"
// and "Save listener" buttons, which it makes but leaves to the owner to place where they stay in view.
// It holds no state of its own: edits are reported, and the owner sets what the fields and the preview
// show.
class NotificationBuilder : public QWidget {
    Q_OBJECT

public:
    // Without `payload` there is no tree; `offersSuggestion` adds the AI button.
    NotificationBuilder(const Payload* payload, bool offersSuggestion, QWidget* parent = nullptr);

    // Shows these values without reporting them as edits.
    void setTemplates(
        const QString& title, const QString& body, const QString& link, const QString& filter, const QString& sound);
    void setSuggesting(bool suggesting);
    void setPreview(const QString& title, const QString& message);

    // Null without a payload.
    PayloadTreeView* tree() const { return m_tree; }
    QLineEdit* titleField() const { return m_title; }
    QLineEdit* linkField() const { return m_link; }
    QLineEdit* filterField() const { return m_filter; }
    BannerPreview* preview() const { return m_preview; }
    QPushButton* testFireButton() const { return m_testFire; }
    QPushButton* saveButton() const { return m_save; }
    // The controls in the order Tab visits them, the two actions last wherever they are placed.
    QList<QWidget*> focusOrder() const;

signals:
    void titleEdited(const QString& title);
    void bodyEdited(const QString& body);
    void linkEdited(const QString& link);
    void filterEdited(const QString& filter);
    void soundChosen(const QString& sound);
    void suggestRequested();
    void testFireRequested();
    void saveRequested();

private:
    QWidget* makePayloadCard(const Payload& payload);
    QWidget* makeTemplateCard();
    void showSuggestButton();

    PayloadTreeView* m_tree = nullptr;
    QPushButton* m_suggest = nullptr;
    QVariantAnimation* m_spinner = nullptr;
    QLineEdit* m_title = nullptr;
    GrowingTextField* m_body = nullptr;
    QLineEdit* m_link = nullptr;
    QLineEdit* m_filter = nullptr;
    SoundPicker* m_sound = nullptr;
    BannerPreview* m_preview = nullptr;
    QPushButton* m_testFire = nullptr;
    QPushButton* m_save = nullptr;
    bool m_suggesting = false;
    bool m_loading = false;
};

} // namespace corvane
