#include "ui/shell/ScreenPlaceholder.h"

#include "ui/components/Divider.h"
#include "ui/components/ScreenHeader.h"
#include "ui/components/StatusPill.h"
#include "ui/components/StyledLabel.h"

#include <QVBoxLayout>

namespace corvane {

ScreenPlaceholder::ScreenPlaceholder(const QString& screenName, const QString& detail, QWidget* parent)
    : QWidget(parent), m_screenName(screenName)
{
    auto* header = new ScreenHeader(screenName, detail, new StatusPill(tr("placeholder"), Theme::Colour::orange));
    auto* divider = new Divider(0, this);
    auto* note = new StyledLabel(tr("The %1 screen is not part of this build yet.").arg(screenName),
        Theme::TextStyle::callout, Theme::Colour::tertiary, this);
    note->setAlignment(Qt::AlignCenter);
    note->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(divider);
    layout->addStretch();
    layout->addWidget(note);
    layout->addStretch();
    setAccessibleName(tr("%1 (placeholder)").arg(screenName));
}

} // namespace corvane
