#pragma once

#include <QString>
#include <QStringList>

// The program's place on the desktop: its names, the desktop entry it belongs to, its icon, and
// the faces its windows ask for.

// The desktop entry's name without ".desktop"; the icon has the same name.
inline const QString kDesktopId = QStringLiteral("com.halvorent.VantrelockMirelon");

// Names the program for the system (settings, message box titles, the desktop entry) and gives
// its windows the icon. No display name is set: Qt would add it to every window's caption
// ("Setup — Vantrelock Mirelon"), and each window has a caption of its own.
void setProgramIdentity();

// Folders outside the system's font folders that hold Tahoma: Debian's fonts-wine keeps it
// beside Wine, where fontconfig does not look.
inline const QStringList kTahomaFolders{QStringLiteral("/usr/share/wine/fonts")};

// Makes Tahoma available to the windows when the system lacks it, from the first of `folders`
// that holds it; returns the face files added. Arial needs nothing: fontconfig gives Liberation
// Sans, which has Arial's metrics, for it.
QStringList addTahoma(const QStringList &folders = kTahomaFolders);
