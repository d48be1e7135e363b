#include "ui/MenuBarPopover.h"

#include "core/AppState.h"
#include "ui/CountBadge.h"
#include "ui/MenuRow.h"
#include "ui/RecentRow.h"
#include "ui/StatusDot.h"
#include "ui/components/Divider.h"
#include "ui/components/StyledLabel.h"
#include "update/AppVersion.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

namespace corvane {
namespace {

constexpr int panelWidth = 300;
constexpr std::size_t recentRows = 5;

QString shortcutText(const QKeySequence& sequence)
{
    return sequence.toString(QKeySequence::NativeText);
}

} // namespace

MenuBarPopover::MenuBarPopover(AppState& state, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_state(state), m_layout(new QVBoxLayout(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(panelWidth);
    setAccessibleName(tr("corvane"));
    m_layout->setContentsMargins(6, 6, 6, 6);
    m_layout->setSpacing(0);
    for (const auto signal : {&AppState::connectedChanged, &AppState::pausedChanged, &AppState::listenersChanged,
             &AppState::recentBannerChanged}) {
        connect(&m_state, signal, this, &MenuBarPopover::rebuild);
    }
    rebuild();
}

QString MenuBarPopover::statusText(bool connected, bool paused, std::size_t listeners)
{
    if (!connected) {
        return tr("Offline");
    }
    if (paused) {
        return tr("Paused");
    }
    return QStringLiteral("%1 listener%2 \u00b7 online").arg(listeners).arg(listeners == 1 ? "" : "s");
}

void MenuBarPopover::popUp(const QRect& anchor)
{
    rebuild();
    adjustSize();
    const QPoint near = anchor.isValid() ? anchor.center() : QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(near);
    const QRect available = screen ? screen->availableGeometry() : QRect(near, size());
    // Below the icon when it sits in the upper half of the screen, above it otherwise.
    const int top = near.y() < available.center().y() ? (anchor.isValid() ? anchor.bottom() : near.y()) + 4
                                                      : (anchor.isValid() ? anchor.top() : near.y()) - height() - 4;
    const int left = near.x() - width() / 2;
    move(std::clamp(left, available.left(), std::max(available.left(), available.right() - width())),
        std::clamp(top, available.top(), std::max(available.top(), available.bottom() - height())));
    show();
    raise();
    activateWindow();
}

void MenuBarPopover::showEvent(QShowEvent* event)
{
    rebuild();
    QWidget::showEvent(event);
}

void MenuBarPopover::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(panel, palette().color(QPalette::Window));
    painter.setPen(QPen(Theme::withOpacity(Theme::colour(Theme::Colour::primary, palette()), 0.12), 1));
    painter.drawPath(panel);
}

void MenuBarPopover::addDivider()
{
    m_layout->addWidget(new Divider(4, this));
}

void MenuBarPopover::open(const SidebarSelection& selection)
{
    emit mainWindowRequested();
    m_state.setSidebarSelection(selection);
    close();
}

void MenuBarPopover::rebuild()
{
    while (QLayoutItem* item = m_layout->takeAt(0)) {
        // A row may be rebuilt away by its own click: it leaves the panel now and goes once that is over.
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }

    const bool connected = m_state.connected();
    const bool paused = m_state.paused();
    auto* status = new QWidget(this);
    auto* statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(Theme::scaled(10), Theme::scaled(6), Theme::scaled(10), Theme::scaled(2));
    statusLayout->setSpacing(6);
    auto* dot = new StatusDot(7, 0, 0, 0, status);
    dot->setTint(!connected ? Theme::Colour::secondary : paused ? Theme::Colour::orange : Theme::Colour::green);
    const QString text = statusText(connected, paused, m_state.listeners().size());
    auto* label = new StyledLabel(text, Theme::TextStyle::body, Theme::Colour::secondary, status);
    label->setSystemFont(11);
    label->setObjectName(QStringLiteral("statusText"));
    statusLayout->addWidget(dot);
    statusLayout->addWidget(label);
    statusLayout->addStretch();
    m_layout->addWidget(status);
    addDivider();

    auto* newListener = new MenuRow(
        {QStringLiteral("plus"), nullptr, tr("New listener…"), nullptr, shortcutText(QKeySequence::New), false}, this);
    connect(newListener, &MenuRow::clicked, this,
        [this] { open(SidebarSelection{SidebarSelection::Kind::newListener, {}}); });
    m_layout->addWidget(newListener);
    auto* pause = new MenuRow({paused ? QStringLiteral("play.fill") : QStringLiteral("pause.fill"), nullptr,
                                  paused ? tr("Resume notifications") : tr("Pause notifications"), nullptr, {}, false},
        this);
    connect(pause, &MenuRow::clicked, this, [this] { m_state.setPaused(!m_state.paused()); });
    m_layout->addWidget(pause);

    if (!m_state.listeners().empty()) {
        addDivider();
        for (const auto& listener : m_state.listeners()) {
            auto* mark = new StatusDot(7, 0, 0, 16, this);
            mark->setTint(listener.isEnabled ? Theme::Colour::green : Theme::Colour::secondary);
            CountBadge* badge = nullptr;
            if (listener.undeliveredCount && *listener.undeliveredCount >= 1) {
                badge = new CountBadge(*listener.undeliveredCount, CountBadge::compact, this);
            }
            auto* row = new MenuRow({{}, mark, QString::fromStdString(listener.name), badge, {}, true}, this);
            const QString id = QString::fromStdString(listener.id);
            connect(row, &MenuRow::clicked, this, [this, id] { open(SidebarSelection::forListener(id)); });
            m_layout->addWidget(row);
        }
    }

    if (!m_state.recentBanner().empty()) {
        addDivider();
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const auto& events = m_state.recentBanner();
        for (std::size_t index = 0; index < std::min(recentRows, events.size()); ++index) {
            auto* row = new RecentRow(events[index], now, this);
            connect(
                row, &MenuRow::clicked, this, [this] { open(SidebarSelection{SidebarSelection::Kind::activity, {}}); });
            m_layout->addWidget(row);
        }
    }

    addDivider();
    auto* dashboard
        = new MenuRow({QStringLiteral("rectangle.stack"), nullptr, tr("Open dashboard…"), nullptr, {}, false}, this);
    connect(dashboard, &MenuRow::clicked, this, [this] {
        const auto& selection = m_state.sidebarSelection();
        const bool listenerSelected = selection && selection->kind == SidebarSelection::Kind::listener;
        open(listenerSelected ? *selection : SidebarSelection{SidebarSelection::Kind::activity, {}});
    });
    m_layout->addWidget(dashboard);
    auto* preferences = new MenuRow({QStringLiteral("gearshape"), nullptr, tr("Preferences…"), nullptr,
                                        shortcutText(QKeySequence(Qt::CTRL | Qt::Key_Comma)), false},
        this);
    connect(preferences, &MenuRow::clicked, this,
        [this] { open(SidebarSelection{SidebarSelection::Kind::preferences, {}}); });
    m_layout->addWidget(preferences);
    auto* updates = new MenuRow(
        {QStringLiteral("arrow.triangle.2.circlepath"), nullptr, tr("Check for updates…"), nullptr, {}, false}, this);
    connect(updates, &MenuRow::clicked, this, [this] {
        close();
        emit updateCheckRequested();
    });
    m_layout->addWidget(updates);
    addDivider();
    auto* quit = new MenuRow({{}, nullptr, tr("Quit corvane"), nullptr, shortcutText(QKeySequence::Quit), false}, this);
    connect(quit, &MenuRow::clicked, this, &MenuBarPopover::quitRequested);
    m_layout->addWidget(quit);

    auto* version
        = new StyledLabel(tr("Version %1").arg(appVersion()), Theme::TextStyle::body, Theme::Colour::tertiary, this);
    version->setSystemFont(10);
    version->setAlignment(Qt::AlignCenter);
    m_layout->addSpacing(2);
    m_layout->addWidget(version);
    adjustSize();
}

} // namespace corvane
