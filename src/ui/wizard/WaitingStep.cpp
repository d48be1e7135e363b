#include "ui/wizard/WaitingStep.h"

#include "ui/components/Card.h"
#include "ui/components/Clipboard.h"
#include "ui/components/Layouts.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"
#include "ui/components/TransientConfirmation.h"
#include "ui/wizard/WizardControls.h"
#include "ui/wizard/WizardText.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {
namespace {

constexpr int spacing = 16;
constexpr int antennaSize = 36;
constexpr int pulseMilliseconds = 1600;
constexpr qreal pulseFaintest = 0.3;

} // namespace

WaitingStep::WaitingStep(const std::optional<QString>& hookURL, QWidget* parent)
    : QWidget(parent), m_skipButton(WizardControls::borderedButton(tr("Skip — configure manually")))
{
    QList<QWidget*> items{makeListeningCard()};
    if (hookURL) {
        auto* copied = new TransientConfirmation(tr("Copied"));
        copied->setObjectName(QStringLiteral("copiedConfirmation"));
        m_copyURLButton = WizardControls::borderedButton(tr("Copy URL"), QStringLiteral("doc.on.doc"));
        connect(m_copyURLButton, &QPushButton::clicked, this, [url = *hookURL, copied] {
            Clipboard::copyText(url);
            copied->confirm();
        });
        m_copyCurlButton = WizardControls::borderedButton(tr("Copy curl example"), QStringLiteral("terminal"));
        connect(m_copyCurlButton, &QPushButton::clicked, this, [curl = WizardText::curlExample(*hookURL), copied] {
            Clipboard::copyText(curl);
            copied->confirm();
        });
        items << new Card(tr("Quick actions"), WizardControls::row({m_copyURLButton, m_copyCurlButton, copied}));
    }
    connect(m_skipButton, &QPushButton::clicked, this, &WaitingStep::skipRequested);
    items << WizardControls::row({m_skipButton});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Layouts::column(items, spacing));
}

QWidget* WaitingStep::focusTarget() const
{
    return m_copyURLButton != nullptr ? m_copyURLButton : m_skipButton;
}

QWidget* WaitingStep::makeListeningCard()
{
    auto* antenna
        = new SymbolView(QStringLiteral("antenna.radiowaves.left.and.right"), antennaSize, Theme::Colour::accent);
    auto* pulse = new QGraphicsOpacityEffect(antenna);
    antenna->setGraphicsEffect(pulse);
    auto* animation = new QPropertyAnimation(pulse, "opacity", antenna);
    animation->setDuration(pulseMilliseconds);
    animation->setKeyValues({{0.0, 1.0}, {0.5, pulseFaintest}, {1.0, 1.0}});
    animation->setEasingCurve(QEasingCurve::InOutSine);
    animation->setLoopCount(-1);
    animation->start();

    auto* headline = new StyledLabel(tr("Listening for first hit"), Theme::TextStyle::headline);
    auto* explanation = new StyledLabel(tr("Send a request to the endpoint and we'll capture the payload."),
        Theme::TextStyle::callout, Theme::Colour::secondary);
    explanation->setAlignment(Qt::AlignCenter);
    explanation->setWordWrap(true);
    auto* listening = new QWidget;
    auto* layout = new QVBoxLayout(listening);
    const int vertical = Theme::scaled(12);
    layout->setContentsMargins(0, vertical, 0, vertical);
    layout->setSpacing(Theme::scaled(10));
    layout->addWidget(antenna, 0, Qt::AlignHCenter);
    layout->addWidget(headline, 0, Qt::AlignHCenter);
    layout->addWidget(explanation);
    return new Card({}, listening);
}

} // namespace corvane
