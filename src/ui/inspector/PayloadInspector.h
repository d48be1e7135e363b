#pragma once

#include "core/RefireResult.h"
#include "model/Payload.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>
#include <stop_token>

class QGraphicsOpacityEffect;
class QPropertyAnimation;
class QPushButton;
class QVBoxLayout;

namespace corvane {

class AppState;
class Card;
class PayloadBody;
class PayloadBodyText;
class StatusPill;
class StyledLabel;
class SymbolView;

// One captured request: its event summary with the re-fire and edit actions, its headers, query
// parameters and body. Embedded in a screen it scrolls with its content; in a sheet it also offers
// "Close" (Escape) and asks for a minimum size. The body card is a PayloadBody, of the whole payload
// read again by its id when the list held only the start of the body.
class PayloadInspector : public QWidget {
    Q_OBJECT

public:
    enum class Presentation {
        embedded,
        sheet,
    };

    // How long a re-fire outcome stays visible after the latest press.
    static constexpr int feedbackMilliseconds = 4000;

    PayloadInspector(AppState& state, Payload payload, Presentation presentation, QWidget* parent = nullptr);
    // Lets go of the payload on the thread pool, where the last holder frees it.
    ~PayloadInspector() override;

    const Payload& payload() const { return *m_payload; }

    QPushButton* refireButton() const { return m_refireButton; }
    // Null when the payload names no listener.
    QPushButton* editButton() const { return m_editButton; }
    // "verified" in green or "unverified" in red with the reason as its tool tip; null when the relay
    // did not check the payload's signature.
    StatusPill* verificationPill() const { return m_verificationPill; }
    // Null when embedded.
    QPushButton* closeButton() const { return m_closeButton; }
    // Null while the whole of a body the list cut is being read.
    PayloadBody* body() const { return m_body; }
    // Null until the body's text is ready.
    PayloadBodyText* bodyText() const;
    // The empty text while no re-fire outcome is shown; the outcome fades in and out.
    QString feedbackText() const;
    std::optional<bool> feedbackOk() const { return m_feedbackOk; }
    // Single-shot; its timeout clears the feedback. Restarted by every outcome.
    QTimer& feedbackTimer() { return m_feedbackTimer; }

signals:
    // "Close" or "Edit listener" was chosen: whoever presents the inspector as a sheet closes it.
    void dismissRequested();

private:
    QWidget* makeEventCard();
    QWidget* makeValuesCard(const QString& title, const std::optional<std::map<std::string, AnyCodable>>& values);
    QWidget* makeBodyCard();
    // Reads the whole payload when the list held only the start of its body, then fills `card`.
    QCoro::Task<> showWholeBody(QPointer<Card> card);
    void fadeFeedback(double opacity);
    void refire();
    void showFeedback(RefireResult result);
    void clearFeedback();
    void editListener();

    AppState& m_state;
    // Shared with the thread pool while it writes out the body.
    std::shared_ptr<const Payload> m_payload;
    Presentation m_presentation;
    QPushButton* m_refireButton = nullptr;
    QPushButton* m_editButton = nullptr;
    StatusPill* m_verificationPill = nullptr;
    QPushButton* m_closeButton = nullptr;
    QWidget* m_feedback = nullptr;
    SymbolView* m_feedbackSymbol = nullptr;
    StyledLabel* m_feedbackLabel = nullptr;
    QGraphicsOpacityEffect* m_feedbackOpacity = nullptr;
    QPropertyAnimation* m_feedbackFade = nullptr;
    PayloadBody* m_body = nullptr;
    std::stop_source m_requestStop;
    std::optional<bool> m_feedbackOk;
    QTimer m_feedbackTimer;
};

} // namespace corvane
