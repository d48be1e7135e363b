#include "ui/editor/TemplateBuilder.h"

#include "evaluation/Template.h"
#include "ui/components/RelativeTime.h"
#include "ui/components/RelativeTimeTicker.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/Symbols.h"
#include "ui/inspector/PayloadRow.h"
#include "ui/inspector/PayloadTreeModel.h"
#include "ui/inspector/PayloadTreeView.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace corvane {
namespace {

constexpr int minimumTreeRows = 3;
constexpr int maximumTreeRows = 12;
constexpr int treePadding = 4;
constexpr qsizetype menuBodyLength = 60;
constexpr qsizetype shortBodyLength = 80;

// The raw body when there is one, whole; otherwise the first 80 characters of the parsed body's text;
// otherwise empty.
QString shortBody(const Payload& payload)
{
    if (payload.rawBody && !payload.rawBody->empty()) {
        return QString::fromStdString(*payload.rawBody);
    }
    if (payload.body) {
        return QString::fromStdString(Template::stringify(&payload.body->value)).left(shortBodyLength);
    }
    return {};
}

QString receivedText(const Payload& payload)
{
    return RelativeTime::shortISO(QString::fromStdString(payload.receivedAt));
}

} // namespace

TemplateBuilder::TemplateBuilder(QWidget* parent) : QWidget(parent)
{
    // One of the two shows at a time; the hidden one takes no room.
    m_empty = makeEmptyText();
    m_builder = makeBuilder();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_empty);
    layout->addWidget(m_builder);
    refresh();
}

QWidget* TemplateBuilder::makeEmptyText()
{
    auto* text
        = new StyledLabel(tr("No payloads captured yet. Send one to this endpoint and the tree will appear here."),
            Theme::TextStyle::callout, Theme::Colour::tertiary);
    text->setWordWrap(true);
    return text;
}

QWidget* TemplateBuilder::makeBuilder()
{
    auto* builder = new QWidget;
    const QString accent = Theme::colour(Theme::Colour::accent, palette()).name();
    const QString word = QStringLiteral("<b style=\"color:%1\">%2</b>").arg(accent);
    auto* hint = new StyledLabel(tr("Hover any value, then click %1 or %2 to map it into the notification field above.")
                                     .arg(word.arg(tr("Title")), word.arg(tr("Body"))),
        Theme::TextStyle::caption, Theme::Colour::secondary);
    hint->setTextFormat(Qt::RichText);
    hint->setWordWrap(true);

    m_sourceMenu = new QMenu(builder);
    m_sourceButton = new QToolButton;
    m_sourceButton->setAutoRaise(true);
    m_sourceButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_sourceButton->setPopupMode(QToolButton::InstantPopup);
    m_sourceButton->setIcon(Symbols::icon(QStringLiteral("clock.arrow.circlepath"), Theme::Colour::secondary));
    m_sourceButton->setIconSize(QSize(Theme::symbolSize(10), Theme::symbolSize(10)));
    m_sourceButton->setFont(Theme::font(Theme::TextStyle::caption));
    m_sourceButton->setMenu(m_sourceMenu);
    m_sourceButton->setAccessibleName(tr("Payload to build from"));
    m_sourceButton->setFocusPolicy(Qt::StrongFocus);
    // The menu is filled as it opens, with the ages of that moment.
    connect(m_sourceMenu, &QMenu::aboutToShow, this, &TemplateBuilder::fillMenu);
    m_ticker = new RelativeTimeTicker(m_sourceButton);
    connect(m_ticker, &RelativeTimeTicker::ticked, this, &TemplateBuilder::showSourceAge);

    m_tree = new PayloadTreeView;
    connect(m_tree, &PayloadTreeView::addToTitleRequested, this, &TemplateBuilder::addToTitleRequested);
    connect(m_tree, &PayloadTreeView::addToBodyRequested, this, &TemplateBuilder::addToBodyRequested);

    auto* top = new QHBoxLayout;
    top->setSpacing(Theme::scaled(8));
    top->addWidget(hint, 1);
    top->addWidget(m_sourceButton, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(builder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Theme::scaled(8));
    layout->addLayout(top);
    layout->addWidget(m_tree);
    return builder;
}

void TemplateBuilder::setRecent(std::vector<Payload> recent)
{
    m_recent = std::move(recent);
    refresh();
}

void TemplateBuilder::chooseSource(const QString& id)
{
    m_templateSourceId = id;
    refresh();
}

const Payload* TemplateBuilder::templateSource() const
{
    if (m_recent.empty()) {
        return nullptr;
    }
    if (m_templateSourceId) {
        const auto found = std::ranges::find(m_recent, m_templateSourceId->toStdString(), &Payload::id);
        if (found != m_recent.end()) {
            return &*found;
        }
    }
    return &m_recent.front();
}

void TemplateBuilder::refresh()
{
    const Payload* source = templateSource();
    m_empty->setVisible(source == nullptr);
    m_builder->setVisible(source != nullptr);
    if (source == nullptr) {
        m_shownId.reset();
        m_ticker->setNewest({});
        return;
    }
    m_ticker->setNewest(RelativeTime::momentISO(QString::fromStdString(source->receivedAt)));
    showSourceAge();
    if (m_shownId != source->id) {
        m_shownId = source->id;
        m_tree->setPayload(*source);
        const int rows = std::clamp(m_tree->treeModel()->rowCount(), minimumTreeRows, maximumTreeRows);
        m_tree->setFixedHeight(rows * PayloadRow::rowHeight() + 2 * Theme::scaled(treePadding));
    }
}

void TemplateBuilder::showSourceAge()
{
    if (const Payload* source = templateSource()) {
        m_sourceButton->setText(tr("From: %1").arg(receivedText(*source)));
    }
}

void TemplateBuilder::fillMenu()
{
    m_sourceMenu->clear();
    const std::string& chosen = templateSource()->id;
    for (const Payload& payload : m_recent) {
        const QString id = QString::fromStdString(payload.id);
        QString body = shortBody(payload).simplified();
        if (body.size() > menuBodyLength) {
            body = body.left(menuBodyLength) + QStringLiteral("…");
        }
        QAction* item = m_sourceMenu->addAction(receivedText(payload) + QStringLiteral(" · ") + body);
        item->setData(id);
        if (payload.id == chosen) {
            item->setIcon(Symbols::icon(QStringLiteral("checkmark")));
        }
        connect(item, &QAction::triggered, this, [this, id] { chooseSource(id); });
    }
}

} // namespace corvane
