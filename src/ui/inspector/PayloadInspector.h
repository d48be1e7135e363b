#pragma once

#include "core/RefireResult.h"
#include "model/Payload.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class QPushButton;
class QVBoxLayout;

namespace corvane {

class AppState;
class StyledLabel;
class SymbolView;

// One captured request: its event summary with the re-fire and edit actions, its headers, query
// parameters and body. Embedded in a screen it scrolls with its content; in a sheet it also offers
// "Close" (Escape) and asks for a minimum size.
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

    const Payload& payload() const { return m_payload; }

    // Pretty-printed JSON (keys sorted, "/" written as "\/") for an object or array body; otherwise the
    // raw body, and "(empty)" without one.
    static QString prettyBody(const Payload& payload);

    QPushButton* refireButton() const { return m_refireButton; }
    // Null when the payload names no listener.
    QPushButton* editButton() const { return m_editButton; }
    // Null when embedded.
    QPushButton* closeButton() const { return m_closeButton; }
    // The empty text while no re-fire outcome is shown.
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
    void refire();
    void showFeedback(RefireResult result);
    void clearFeedback();
    void editListener();

    AppState& m_state;
    Payload m_payload;
    Presentation m_presentation;
    QPushButton* m_refireButton = nullptr;
    QPushButton* m_editButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QWidget* m_feedback = nullptr;
    SymbolView* m_feedbackSymbol = nullptr;
    StyledLabel* m_feedbackLabel = nullptr;
    std::optional<bool> m_feedbackOk;
    QTimer m_feedbackTimer;
};

} // namespace corvane
