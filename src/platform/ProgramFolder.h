#pragma once
// The program folder: "--home DIR" on the command line, else the KESTREL_HOME variable, else the
// folder of the running executable for a portable copy, or the per-user data folder
// ($XDG_DATA_HOME/KabukaKestrel, i.e. ~/.local/share/KabukaKestrel) for an installed program.
#include <QString>
#include <QStringList>

namespace kestrel::platform {

struct HomeChoice {
    QString folder;       // absolute, without a trailing separator; "" when nothing chose one
    QStringList rest;     // the arguments without "--home DIR"
    QString error;        // set when "--home" has no value or the per-user folder cannot be made
    bool perUser = false; // the per-user data folder was chosen (and created when missing)
};

// With an empty executableFolder only "--home" and KESTREL_HOME choose (folder stays "" otherwise).
HomeChoice chooseProgramFolder(const QStringList& arguments, const QString& executableFolder);

// True when the programs in executableFolder are installed rather than a portable copy: a system
// folder such as /usr/bin or /usr/local/bin, a folder the user cannot write, or a "bin" folder of an
// installed tree (one with share/kabukakestrel beside it, wherever the tree was unpacked).
bool isInstalledFolder(const QString& executableFolder);

// $XDG_DATA_HOME/KabukaKestrel; XDG_DATA_HOME defaults to ~/.local/share when unset or not absolute.
QString perUserDataFolder();

// The files an installed tree ships (executableFolder/../share/kabukakestrel), or "" when there is none.
QString installedDataFolder(const QString& executableFolder);

} // namespace kestrel::platform
