#pragma once

#include "ui/editor/VerificationDraft.h"

#include <QList>
#include <QWidget>

class QComboBox;
class QLineEdit;

namespace corvane {

class StyledLabel;
class ToggleSwitch;

// The signature check part of the editor: the scheme, with the headers it checks as help, the signing
// secret as a masked field that never shows a stored secret, "Reject unsigned requests", and for a custom
// HMAC the header, algorithm, encoding and prefix. edited() follows every change the user makes; what is
// saved is the owner's business.
class VerificationFields : public QWidget {
    Q_OBJECT

public:
    explicit VerificationFields(QWidget* parent = nullptr);

    QComboBox* schemePicker() const { return m_schemePicker; }
    StyledLabel* helpLabel() const { return m_helpLabel; }
    QLineEdit* secretField() const { return m_secretField; }
    ToggleSwitch* rejectSwitch() const { return m_rejectSwitch; }
    QLineEdit* headerField() const { return m_headerField; }
    QComboBox* algorithmPicker() const { return m_algorithmPicker; }
    QComboBox* encodingPicker() const { return m_encodingPicker; }
    QLineEdit* prefixField() const { return m_prefixField; }
    StyledLabel* problemLabel() const { return m_problemLabel; }
    // The controls in the order Tab visits them.
    QList<QWidget*> focusOrder() const;

    // Fills the controls; an unknown scheme or choice is added to its picker.
    void showDraft(const VerificationDraft& draft);
    VerificationDraft draft() const;
    // The secret field's placeholder says whether the relay holds a secret; `problem` (empty for none)
    // shows below the fields.
    void showState(bool secretStored, const QString& problem);

signals:
    void edited();

private:
    void showScheme();

    QComboBox* m_schemePicker;
    StyledLabel* m_helpLabel;
    QLineEdit* m_secretField;
    ToggleSwitch* m_rejectSwitch;
    QWidget* m_checkedRows = nullptr;
    QWidget* m_hmacRows = nullptr;
    QLineEdit* m_headerField;
    QComboBox* m_algorithmPicker;
    QComboBox* m_encodingPicker;
    QLineEdit* m_prefixField;
    StyledLabel* m_problemLabel;
};

} // namespace corvane
