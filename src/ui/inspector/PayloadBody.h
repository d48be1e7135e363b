#pragma once

#include "model/Payload.h"

#include <QPointer>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <memory>

class QPushButton;
class QVBoxLayout;

namespace corvane {

class PayloadBodyText;
class StyledLabel;

// The body card's content: an excerpt of bounded size of the body's text (BodyExcerpt) with a note
// saying how much of it is shown, and "Copy Body" and "Save Body…" for all of it. A large body is
// written out on the thread pool, with "Loading…" shown meanwhile; a body closed meanwhile drops the
// text when it comes.
class PayloadBody : public QWidget {
    Q_OBJECT

public:
    explicit PayloadBody(std::shared_ptr<const Payload> payload, QWidget* parent = nullptr);
    // Lets go of the payload on the thread pool, where the last holder frees it.
    ~PayloadBody() override;

    // Null until the text is ready.
    PayloadBodyText* text() const { return m_text; }
    // Shows what is shown of how much, or why saving failed; hidden when neither applies.
    StyledLabel* note() const { return m_note; }
    QPushButton* copyButton() const { return m_copyButton; }
    QPushButton* saveButton() const { return m_saveButton; }

private:
    QCoro::Task<> fill();
    QCoro::Task<> save();
    void copy();
    void showText(PayloadBodyText* text, const QString& note);

    std::shared_ptr<const Payload> m_payload;
    QVBoxLayout* m_layout;
    StyledLabel* m_loading = nullptr;
    PayloadBodyText* m_text = nullptr;
    StyledLabel* m_note;
    QPushButton* m_copyButton;
    QPushButton* m_saveButton;
};

} // namespace corvane
