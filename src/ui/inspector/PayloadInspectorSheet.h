#pragma once

#include <QDialog>

namespace corvane {

class AppState;
class PayloadInspector;
struct Payload;

// The payload inspector as a window-modal sheet over `parent`: "Close", Escape and "Edit listener"
// close it.
class PayloadInspectorSheet : public QDialog {
    Q_OBJECT

public:
    PayloadInspectorSheet(AppState& state, const Payload& payload, QWidget* parent);

    PayloadInspector* inspector() const { return m_inspector; }

private:
    PayloadInspector* m_inspector;
};

} // namespace corvane
