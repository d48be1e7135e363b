#include "ui/inspector/PayloadBody.h"

#include "ui/components/StyledLabel.h"
#include "ui/inspector/BodyExcerpt.h"
#include "ui/inspector/PayloadBodyText.h"
#include "ui/inspector/ValueExport.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextDocument>
#include <QThreadPool>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>

namespace corvane {
namespace {

// Bodies with more values than this, or of more text than this many times 64 bytes, are written out
// and filled into their document on the thread pool.
constexpr int poolValues = 2000;
constexpr std::size_t bytesPerValue = 64;

// Whether `value` weighs more than `budget`, counting no further than that.
bool weighsMoreThan(const nlohmann::json& value, std::ptrdiff_t& budget)
{
    budget -= 1;
    if (value.is_string()) {
        budget -= static_cast<std::ptrdiff_t>(value.get_ref<const std::string&>().size() / bytesPerValue);
    }
    if (budget < 0) {
        return true;
    }
    if (value.is_structured()) {
        for (const auto& element : value) {
            if (weighsMoreThan(element, budget)) {
                return true;
            }
        }
    }
    return false;
}

bool isLarge(const Payload& payload)
{
    std::ptrdiff_t budget = poolValues;
    return (payload.body && weighsMoreThan(payload.body->value, budget))
        || (payload.rawBody && payload.rawBody->size() > poolValues * bytesPerValue);
}

struct Shown {
    std::unique_ptr<QTextDocument> document;
    QString note;
};

} // namespace

PayloadBody::PayloadBody(std::shared_ptr<const Payload> payload, QWidget* parent)
    : QWidget(parent), m_payload(std::move(payload)), m_layout(new QVBoxLayout(this)),
      m_note(new StyledLabel({}, Theme::TextStyle::caption, Theme::Colour::secondary, this)),
      m_copyButton(new QPushButton(tr("Copy Body"), this)), m_saveButton(new QPushButton(tr("Save Body…"), this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(Theme::scaled(8));
    m_note->setWordWrap(true);
    m_note->setTextFormat(Qt::PlainText);
    m_note->hide();
    auto* actions = new QHBoxLayout;
    for (QPushButton* button : {m_copyButton, m_saveButton}) {
        button->setAutoDefault(false);
        button->setAccessibleName(button->text());
        actions->addWidget(button);
    }
    actions->addStretch();
    connect(m_copyButton, &QPushButton::clicked, this, &PayloadBody::copy);
    connect(m_saveButton, &QPushButton::clicked, this, &PayloadBody::save);
    if (isLarge(*m_payload)) {
        m_loading = new StyledLabel(tr("Loading…"), Theme::TextStyle::caption, Theme::Colour::tertiary, this);
        m_layout->addWidget(m_loading);
        fill();
    } else {
        const BodyExcerpt excerpt = BodyExcerpt::of(*m_payload);
        showText(new PayloadBodyText(excerpt.text), excerpt.note());
    }
    m_layout->addWidget(m_note);
    m_layout->addLayout(actions);
}

PayloadBody::~PayloadBody()
{
    QThreadPool::globalInstance()->start([payload = std::move(m_payload)]() mutable { payload.reset(); });
}

QCoro::Task<> PayloadBody::fill()
{
    QPointer self(this);
    // The worker holds the payload: a body closed meanwhile drops the text when it comes.
    QFuture<Shown> made = QtConcurrent::run([payload = m_payload, font = PayloadBodyText::textFont()] {
        const BodyExcerpt excerpt = BodyExcerpt::of(*payload);
        return Shown{PayloadBodyText::makeDocument(excerpt.text, font), excerpt.note()};
    });
    co_await QFuture<void>(made);
    // Taken here, so that a document dropped is freed on its own thread.
    Shown shown = made.takeResult();
    if (!self) {
        co_return;
    }
    delete m_loading;
    m_loading = nullptr;
    showText(new PayloadBodyText(std::move(shown.document)), shown.note);
}

void PayloadBody::showText(PayloadBodyText* text, const QString& note)
{
    m_text = text;
    m_text->setAccessibleName(tr("Body"));
    m_layout->insertWidget(0, m_text);
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

void PayloadBody::copy()
{
    ValueExport::copy(
        QtConcurrent::run([payload = m_payload] { return QString::fromStdString(BodyExcerpt::wholeText(*payload)); }));
}

QCoro::Task<> PayloadBody::save()
{
    QPointer self(this);
    const QString fileName = co_await ValueExport::chooseFile(this, tr("Save Body"));
    if (!self || fileName.isEmpty()) {
        co_return;
    }
    const QString failure = co_await QtConcurrent::run(
        [payload = m_payload, fileName] { return ValueExport::writeFile(fileName, BodyExcerpt::wholeText(*payload)); });
    if (self && !failure.isEmpty()) {
        m_note->setText(tr("The body could not be saved: %1").arg(failure));
        m_note->show();
    }
}

} // namespace corvane
