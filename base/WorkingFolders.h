#pragma once

#include <QString>

// The program's working folders under the user's documents folder.
struct WorkingFolders {
    QString documents;  // may be empty when the system cannot name it
    QString maker;      // .../Halvorent
    QString program;    // .../Halvorent/VantrelockMirelon: test.bmp, user.raw, user.txt
    QString statistics; // .../Halvorent/VantrelockMirelon/Statistics: the run files

    QString inProgram(const QString &name) const { return program + QLatin1Char('/') + name; }
};

// The run files' folder inside the program folder.
inline const QString kStatisticsFolderName = QStringLiteral("Statistics");

// The documents folder (folder identifier 5 is the only one the program asks for); empty text
// when the system cannot give it.
QString GetSpecialFolderPath(int folder);
inline constexpr int CSIDL_PERSONAL = 5;

// The picture's working files in the program folder: the fitted picture, and what Send makes
// of it and uploads.
inline const QString kWorkingBitmapName = QStringLiteral("test.bmp");
inline const QString kImageHeaderName = QStringLiteral("user.txt");
inline const QString kRawImageName = QStringLiteral("user.raw");

// The three folders under `documents`; an empty `documents` puts them under the root of the
// current drive.
WorkingFolders workingFolders(const QString &documents);
