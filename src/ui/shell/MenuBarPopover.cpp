#include "ui/shell/MenuBarPopover.h"

#include "core/AppState.h"
#include "ui/components/Divider.h"
#include "ui/components/RelativeTimeTicker.h"
#include "ui/components/StyledLabel.h"
#include "ui/shell/MenuRow.h"
#include "ui/shell/PanelListenerRow.h"
#include "ui/shell/RecentRow.h"
#include "ui/shell/StatusDot.h"
#include "update/AppVersion.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
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

// Rows past the first divider of a section, beyond `count`, leave it now and go once any click of
// theirs is over.
template <class Row> QList<Row*> keepRows(QVBoxLayout* rows, qsizetype count)
{
    while (rows->count() > count + 1) {
        QLayoutItem* item = rows->takeAt(rows->count() - 1);
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
    QList<Row*> kept;
    for (int index = 1; index < rows->count(); ++index) {
        kept << static_cast<Row*>(rows->itemAt(index)->widget());
    }
    return kept;
}

} // namespace

MenuBarPopover::MenuBarPopover(AppState& state, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_state(state), m_layout(new QVBoxLayout(this)),
      m_ticker(new RelativeTimeTicker(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(panelWidth);
    setAccessibleName(tr("corvane"));
    m_layout->setContentsMargins(6, 6, 6, 6);
    m_layout->setSpacing(0);

    auto* status = new QWidget(this);
    auto* statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(Theme::scaled(10), Theme::scaled(6), Theme::scaled(10), Theme::scaled(2));
    statusLayout->setSpacing(6);
    m_statusDot = new StatusDot(7, 0, 0, 0, status);
    m_statusText = new StyledLabel({}, Theme::TextStyle::body, Theme::Colour::secondary, status);
    m_statusText->setSystemFont(11);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    statusLayout->addWidget(m_statusDot);
    statusLayout->addWidget(m_statusText);
    statusLayout->addStretch();
    m_layout->addWidget(status);
    addDivider(m_layout);

    auto* newListener = new MenuRow(
        {QStringLiteral("plus"), nullptr, tr("New listener…"), nullptr, shortcutText(QKeySequence::New), false}, this);
    connect(newListener, &MenuRow::clicked, this,
        [this] { open(SidebarSelection{SidebarSelection::Kind::newListener, {}}); });
    m_layout->addWidget(newListener);
    m_pause = new MenuRow({QStringLiteral("pause.fill"), nullptr, tr("Pause notifications"), nullptr, {}, false}, this);
    connect(m_pause, &MenuRow::clicked, this, [this] { m_state.setPaused(!m_state.paused()); });
    m_layout->addWidget(m_pause);
    m_listenerRows = addSection(m_listenerSection);
    m_recentRows = addSection(m_recentSection);

    addDivider(m_layout);
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
    addDivider(m_layout);
    auto* quit = new MenuRow({{}, nullptr, tr("Quit corvane"), nullptr, shortcutText(QKeySequence::Quit), false}, this);
    connect(quit, &MenuRow::clicked, this, &MenuBarPopover::quitRequested);
    m_layout->addWidget(quit);

    auto* version
        = new StyledLabel(tr("Version %1").arg(appVersion()), Theme::TextStyle::body, Theme::Colour::tertiary, this);
    version->setSystemFont(10);
    version->setAlignment(Qt::AlignCenter);
    m_layout->addSpacing(2);
    m_layout->addWidget(version);

    for (const auto signal : {&AppState::connectedChanged, &AppState::pausedChanged}) {
        connect(&m_state, signal, this, &MenuBarPopover::showStatus);
    }
    connect(&m_state, &AppState::listenersChanged, this, &MenuBarPopover::showListeners);
    connect(&m_state, &AppState::recentBannerChanged, this, &MenuBarPopover::showRecent);
    connect(m_ticker, &RelativeTimeTicker::ticked, this, &MenuBarPopover::showRecent);
    showStatus();
    showListeners();
    showRecent();
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
    m_anchor = anchor;
    adjustSize();
    place();
    show();
    raise();
    activateWindow();
}

void MenuBarPopover::place()
{
    const QPoint near = m_anchor.isValid() ? m_anchor.center() : QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(near);
    const QRect available = screen ? screen->availableGeometry() : QRect(near, size());
    // Below the icon when it sits in the upper half of the screen, above it otherwise.
    const int top = near.y() < available.center().y() ? (m_anchor.isValid() ? m_anchor.bottom() : near.y()) + 4
                                                      : (m_anchor.isValid() ? m_anchor.top() : near.y()) - height() - 4;
    const int left = near.x() - width() / 2;
    move(std::clamp(left, available.left(), std::max(available.left(), available.right() - width())),
        std::clamp(top, available.top(), std::max(available.top(), available.bottom() - height())));
}

void MenuBarPopover::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible()) {
        place();
    }
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

void MenuBarPopover::addDivider(QVBoxLayout* layout)
{
    layout->addWidget(new Divider(4, layout->parentWidget()));
}

QVBoxLayout* MenuBarPopover::addSection(QWidget*& section)
{
    section = new QWidget(this);
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    addDivider(layout);
    section->hide();
    m_layout->addWidget(section);
    return layout;
}

void MenuBarPopover::open(const SidebarSelection& selection)
{
    emit mainWindowRequested();
    m_state.setSidebarSelection(selection);
    close();
}

void MenuBarPopover::showStatus()
{
    const bool connected = m_state.connected();
    const bool paused = m_state.paused();
    m_statusDot->setTint(!connected ? Theme::Colour::secondary : paused ? Theme::Colour::orange : Theme::Colour::green);
    m_statusText->setText(statusText(connected, paused, m_state.listeners().size()));
    m_pause->setSymbol(paused ? QStringLiteral("play.fill") : QStringLiteral("pause.fill"));
    m_pause->setTitle(paused ? tr("Resume notifications") : tr("Pause notifications"));
}

void MenuBarPopover::showListeners()
{
    const auto& listeners = m_state.listeners();
    auto rows = keepRows<PanelListenerRow>(m_listenerRows, static_cast<qsizetype>(listeners.size()));
    for (std::size_t index = 0; index < listeners.size(); ++index) {
        if (std::cmp_greater_equal(index, rows.size())) {
            auto* row = new PanelListenerRow(m_listenerSection);
            connect(
                row, &MenuRow::clicked, this, [this, row] { open(SidebarSelection::forListener(row->listenerId())); });
            m_listenerRows->addWidget(row);
            rows << row;
        }
        rows[static_cast<qsizetype>(index)]->showListener(listeners[index]);
    }
    m_listenerSection->setVisible(!listeners.empty());
    showStatus();
    adjustSize();
}

void MenuBarPopover::showRecent()
{
    const auto& events = m_state.recentBanner();
    const std::size_t shown = std::min(recentRows, events.size());
    auto rows = keepRows<RecentRow>(m_recentRows, static_cast<qsizetype>(shown));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QDateTime newest;
    for (std::size_t index = 0; index < shown; ++index) {
        newest = newest.isValid() ? std::max(newest, events[index].at) : events[index].at;
        if (std::cmp_greater_equal(index, rows.size())) {
            auto* row = new RecentRow(events[index], now, m_recentSection);
            connect(
                row, &MenuRow::clicked, this, [this] { open(SidebarSelection{SidebarSelection::Kind::activity, {}}); });
            m_recentRows->addWidget(row);
            rows << row;
        } else {
            rows[static_cast<qsizetype>(index)]->showBanner(events[index], now);
        }
    }
    m_recentSection->setVisible(shown > 0);
    m_ticker->setNewest(newest);
    adjustSize();
}

} // namespace corvane
