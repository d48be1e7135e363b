#pragma once

#include "platform/LoginItem.h"

namespace corvane {

// The login item of the XDG Autostart Specification: the desktop entry dev.corvane.app.desktop in the
// user's autostart folder, starting the running program with --at-login. It counts as
// enabled while the entry exists and neither the user (Hidden=true) nor the desktop's own switch
// (X-GNOME-Autostart-enabled=false) turned it off.
class XdgAutostartLoginItem : public LoginItem {
public:
    // The user's configuration folder ($XDG_CONFIG_HOME, by default ~/.config) and the running program.
    XdgAutostartLoginItem();
    // `program` empty: the program is unknown and the status is notFound.
    XdgAutostartLoginItem(QString configFolder, QString program);

    // The command-line option ("at-login", given as --at-login) that tells the program it was started at
    // login.
    static QString startedAtLoginOption();

    QString entryPath() const;

    Status status() const override;
    // Writes the entry afresh (atomically; one the user hid is replaced) or removes it.
    std::expected<void, QString> setEnabled(bool enabled) override;

private:
    std::expected<void, QString> write() const;

    QString m_configFolder;
    QString m_program;
};

} // namespace corvane
