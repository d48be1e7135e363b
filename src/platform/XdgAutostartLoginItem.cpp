#include "platform/XdgAutostartLoginItem.h"

#include "platform/DesktopEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <glib.h>

#include <memory>

namespace corvane {
namespace {

constexpr auto group = "Desktop Entry";

struct KeyFileDeleter {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileDeleter>;

// A boolean key of the entry's group; `absent` when the key is missing or not a boolean.
bool flag(GKeyFile* file, const char* key, bool absent)
{
    GError* error = nullptr;
    const gboolean value = g_key_file_get_boolean(file, group, key, &error);
    if (error != nullptr) {
        g_error_free(error);
        return absent;
    }
    return value != FALSE;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem()
    : XdgAutostartLoginItem(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
          QCoreApplication::applicationFilePath())
{
}

XdgAutostartLoginItem::XdgAutostartLoginItem(QString configFolder, QString program)
    : m_configFolder(std::move(configFolder)), m_program(std::move(program))
{
}

QString XdgAutostartLoginItem::startedAtLoginOption()
{
    return QStringLiteral("at-login");
}

QString XdgAutostartLoginItem::entryPath() const
{
    return m_configFolder + QStringLiteral("/autostart/dev.corvane.app.desktop");
}

LoginItem::Status XdgAutostartLoginItem::status() const
{
    if (m_program.isEmpty() || m_configFolder.isEmpty()) {
        return Status::notFound;
    }
    const KeyFile file(g_key_file_new());
    if (g_key_file_load_from_file(file.get(), QFile::encodeName(entryPath()).constData(), G_KEY_FILE_NONE, nullptr)
        == FALSE) {
        return Status::notRegistered;
    }
    const bool hidden = flag(file.get(), "Hidden", false);
    const bool enabled = flag(file.get(), "X-GNOME-Autostart-enabled", true);
    return !hidden && enabled ? Status::enabled : Status::notRegistered;
}

std::expected<void, QString> XdgAutostartLoginItem::setEnabled(bool enabled)
{
    if (status() == Status::notFound) {
        return std::unexpected(QStringLiteral("The location of this program is unknown, so it cannot open at login."));
    }
    if (enabled) {
        return write();
    }
    QFile entry(entryPath());
    if (entry.exists() && !entry.remove()) {
        return std::unexpected(QStringLiteral("Could not remove %1: %2.").arg(entryPath(), entry.errorString()));
    }
    return {};
}

std::expected<void, QString> XdgAutostartLoginItem::write() const
{
    const QString folder = QFileInfo(entryPath()).absolutePath();
    if (!QDir().mkpath(folder)) {
        return std::unexpected(QStringLiteral("Could not create the folder %1.").arg(folder));
    }
    const QByteArray exec
        = (DesktopEntry::quoteExecArgument(m_program) + QStringLiteral(" --") + startedAtLoginOption()).toUtf8();
    const KeyFile file(g_key_file_new());
    g_key_file_set_string(file.get(), group, "Type", "Application");
    g_key_file_set_string(file.get(), group, "Name", "Corvane");
    g_key_file_set_string(file.get(), group, "Comment", "Turn webhooks into desktop notifications");
    // Sets the string escapes (a backslash doubled) over the Exec quoting, in the order desktop entries require.
    g_key_file_set_string(file.get(), group, "Exec", exec.constData());
    g_key_file_set_string(file.get(), group, "Icon", "dev.corvane.app");
    g_key_file_set_boolean(file.get(), group, "Terminal", FALSE);
    g_key_file_set_boolean(file.get(), group, "X-GNOME-Autostart-enabled", TRUE);
    gsize length = 0;
    const std::unique_ptr<gchar, decltype(&g_free)> data(g_key_file_to_data(file.get(), &length, nullptr), g_free);

    QSaveFile entry(entryPath());
    if (!entry.open(QIODevice::WriteOnly) || entry.write(data.get(), static_cast<qint64>(length)) < 0
        || !entry.commit()) {
        return std::unexpected(QStringLiteral("Could not write %1: %2.").arg(entryPath(), entry.errorString()));
    }
    return {};
}

} // namespace corvane
