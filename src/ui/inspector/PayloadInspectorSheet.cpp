#include "ui/inspector/PayloadInspectorSheet.h"

#include "ui/inspector/PayloadInspector.h"

#include <QVBoxLayout>

namespace corvane {

PayloadInspectorSheet::PayloadInspectorSheet(AppState& state, const Payload& payload, QWidget* parent)
    : QDialog(parent), m_inspector(new PayloadInspector(state, payload, PayloadInspector::Presentation::sheet, this))
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Payload"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_inspector);
    connect(m_inspector, &PayloadInspector::dismissRequested, this, &QDialog::reject);
}

} // namespace corvane
