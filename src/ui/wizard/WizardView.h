#pragma once

#include "model/Listener.h"
#include "model/Payload.h"

#include "ui/wizard/NameStep.h"
#include "ui/wizard/NotificationBuilder.h"
#include "ui/wizard/WaitingStep.h"

#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <nlohmann/json.hpp>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>
#include <stop_token>

class QScrollArea;

namespace corvane {

class AppState;
class FooterBar;
class ScreenHeader;
class StepIndicator;

// The screen that creates a listener: name it and create it on the relay, which gives its hook URL;
// wait for the first request to arrive there (or skip that); then build the notification's templates,
// filter and sound against the captured request (or sample data), preview and test them, and save.
// "Discard" deletes the listener again. A capture loop, once started, polls the listener's newest
// request once a second until one arrives that was received after the wait began, even while the
// user configures manually; it ends when the screen is hidden by its owner or destroyed.
class WizardView : public QWidget {
    Q_OBJECT

public:
    enum class Step {
        nameAndURL,
        waiting,
        build, // against the captured payload
        manualBuild, // without one
    };

    explicit WizardView(AppState& state, QWidget* parent = nullptr);
    ~WizardView() override;

    Step step() const { return m_step; }
    const std::optional<Listener>& createdListener() const { return m_createdListener; }
    QString titleTemplate() const { return m_titleTemplate; }
    QString bodyTemplate() const { return m_bodyTemplate; }
    QString linkTemplate() const { return m_linkTemplate; }
    // The created listener's public URL; empty before creation.
    QString hookURL() const;

    // The step shown; null while another one is.
    NameStep* nameStep() const { return m_nameStep; }
    WaitingStep* waitingStep() const { return m_waitingStep; }
    NotificationBuilder* builder() const { return m_builder; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // What previews and test notifications render over: the captured payload's context, or sample data.
    nlohmann::json previewContext() const;
    // What the templates, filter and sound make, as saved and as test fire sends them.
    NotificationConfig config() const;
    void showStep();
    QWidget* makeNameStep();
    QWidget* makeWaitingStep();
    QWidget* makeBuildStep(const Payload* payload);
    void showDiscardButton();
    void refreshPreview();
    void pushTemplates();

    QCoro::Task<> create();
    void continueToWaiting();
    void skip();
    void startWaitingForFirstHit(const Listener& listener);
    void stopWaiting();
    void capture(Payload payload);
    void seedTemplatesFrom(const Payload& payload);
    QCoro::Task<> suggestWithAI();
    QCoro::Task<> testFire();
    QCoro::Task<> save();
    void discard();

    static QCoro::Task<> captureLoop(QPointer<WizardView> view, QString listenerId,
        std::chrono::system_clock::time_point start, std::stop_token stop);

    AppState& m_state;
    Step m_step = Step::nameAndURL;
    QString m_name;
    std::optional<Listener> m_createdListener;
    // When the request that created the listener was sent; only later requests are captured.
    std::chrono::system_clock::time_point m_createdAt;
    std::optional<Payload> m_capturedPayload;
    std::optional<std::stop_source> m_pollStop;
    // Cancels the screen's own requests when it goes away.
    std::stop_source m_requestStop;
    QString m_titleTemplate;
    QString m_bodyTemplate;
    QString m_linkTemplate;
    QString m_filter;
    QString m_sound;
    bool m_suggesting = false;
    bool m_creating = false;

    ScreenHeader* m_header;
    StepIndicator* m_indicator;
    QScrollArea* m_scroll;
    QPointer<QPushButton> m_discardButton;
    QPointer<NameStep> m_nameStep;
    QPointer<WaitingStep> m_waitingStep;
    QPointer<NotificationBuilder> m_builder;
    // The build step's "Test fire" and "Save listener", beneath the scrolling step.
    QPointer<FooterBar> m_footer;
    // Takes the keyboard focus when the screen is next shown: the first control of a step made while hidden.
    QPointer<QWidget> m_focusTarget;
};

} // namespace corvane
