#pragma once

#include "model/Listener.h"
#include "model/Payload.h"
#include "ui/editor/ListenerDraft.h"

#include <QPointer>
#include <QWidget>

#include <nlohmann/json.hpp>
#include <qcoro/qcorotask.h>

#include <optional>
#include <stop_token>
#include <vector>

class QLineEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace corvane {

class AppState;
class NotificationFields;
class PayloadInspectorSheet;
class RecentPayloadList;
class StyledLabel;
class TemplateBuilder;
class ToggleSwitch;
class TransientConfirmation;
class VerificationFields;

// The editor of one listener: its name, enabled flag, signature check, templates, link, filter and sound, a
// preview of the notification, a payload tree to map values into the templates, and its recent payloads,
// fetched again after each poll cycle that changes the activity.
// Edits stay on a working copy (draft()) until "Save changes"; once filled from the listener, the copy is
// not overwritten by later changes of the listener list, which only change what counts as a change. A
// draft whose signature check cannot be saved (a required secret is missing) keeps Save disabled and
// says why in the Verification card. Copying the URL and a save the relay took confirm themselves
// briefly ("Copied", "Saved").
class DetailView : public QWidget {
    Q_OBJECT

public:
    DetailView(AppState& state, QString listenerId, QWidget* parent = nullptr);
    ~DetailView() override;

    const QString& listenerId() const { return m_listenerId; }
    const ListenerDraft& draft() const { return m_draft; }
    std::optional<Listener> listener() const;
    bool hasChanges() const;
    // The listener's latest payloads, newest first, as last fetched successfully.
    const std::vector<Payload>& recent() const { return m_recent; }
    // The service's URL followed by the listener's hook path; empty without a listener.
    QString endpointURL() const;

    QLineEdit* nameField() const { return m_nameField; }
    StyledLabel* unsavedLabel() const { return m_unsavedLabel; }
    ToggleSwitch* enabledSwitch() const { return m_enabledSwitch; }
    NotificationFields* notificationFields() const { return m_fields; }
    VerificationFields* verificationFields() const { return m_verificationFields; }
    TemplateBuilder* builder() const { return m_builder; }
    QPushButton* copyButton() const { return m_copyButton; }
    QPushButton* deleteButton() const { return m_deleteButton; }
    QPushButton* revertButton() const { return m_revertButton; }
    QPushButton* saveButton() const { return m_saveButton; }
    // Whether the content shows "Listener not found".
    bool showsNotFound() const;
    PayloadInspectorSheet* inspectorSheet() const;

private:
    QWidget* makeEndpointCard();
    // Delete, Revert and Save in a footer that stays in view beneath the scrolling cards.
    QWidget* makeActions();

    // Fills the working copy from the listener unless it is filled already, and fetches its payloads.
    void load();
    void revert();
    // One fetch at a time: a call while one runs fetches once more after it.
    QCoro::Task<> fetchRecent();
    QCoro::Task<> save();
    QCoro::Task<> deleteListener();
    QCoro::Task<> testFire();
    void copyURL();
    void inspect(const Payload& payload);

    void showDraft();
    void follow();
    void editDraft();
    void showChanges();
    void showPreview();
    void showRecent();
    void applyTabOrder();
    nlohmann::json previewContext() const;

    AppState& m_state;
    QString m_listenerId;
    ListenerDraft m_draft;
    bool m_didLoad = false;
    bool m_showing = false;
    std::vector<Payload> m_recent;
    std::stop_source m_recentStop;
    bool m_fetchingRecent = false;
    bool m_fetchRecentAgain = false;
    QPointer<PayloadInspectorSheet> m_sheet;

    QLineEdit* m_nameField = nullptr;
    StyledLabel* m_unsavedLabel = nullptr;
    ToggleSwitch* m_enabledSwitch = nullptr;
    QStackedWidget* m_content = nullptr;
    QWidget* m_notFound = nullptr;
    QLineEdit* m_urlField = nullptr;
    QPushButton* m_copyButton = nullptr;
    TransientConfirmation* m_copiedConfirmation = nullptr;
    NotificationFields* m_fields = nullptr;
    VerificationFields* m_verificationFields = nullptr;
    TemplateBuilder* m_builder = nullptr;
    QStackedWidget* m_recentPages = nullptr;
    QWidget* m_recentEmpty = nullptr;
    RecentPayloadList* m_recentList = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_revertButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    TransientConfirmation* m_savedConfirmation = nullptr;
    QWidget* m_footer = nullptr;
};

} // namespace corvane
