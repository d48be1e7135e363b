#pragma once

#include <QWidget>

class QLineEdit;

namespace corvane {

class StyledLabel;
class ToggleSwitch;

// The editor's header: the listener's name as a large borderless field with "Unsaved changes" below it,
// and the Enabled/Disabled switch. edited() follows every change the user makes to either.
class ListenerHeader : public QWidget {
    Q_OBJECT

public:
    explicit ListenerHeader(QWidget* parent = nullptr);

    QLineEdit* nameField() const { return m_nameField; }
    StyledLabel* unsavedLabel() const { return m_unsavedLabel; }
    ToggleSwitch* enabledSwitch() const { return m_enabledSwitch; }

signals:
    void edited();

private:
    void showEnabled();

    QLineEdit* m_nameField;
    StyledLabel* m_unsavedLabel;
    StyledLabel* m_enabledLabel;
    ToggleSwitch* m_enabledSwitch;
};

} // namespace corvane
