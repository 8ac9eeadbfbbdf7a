#pragma once
// Writing the report file: complete or not at all, never through a symbolic
// link, in the program's folder when that folder is the user's own, else in
// the user's data folder.

#include <QByteArray>
#include <QString>

namespace hosts {

inline const QString ReportFileName = QStringLiteral("Tarsino.htm");

struct ReportFileOutcome {
    bool written = false;
    QString path;    // the file written (its real path), or the one that could not be
    QString reason;  // why not, when not written
};

// Replaces the report with `content`. The program's folder holds it when
// that folder belongs to the user running the program, no one else may
// write there, and it is no system folder; otherwise, or when no file can be
// created there, the user's data folder (made if missing) does. A report
// name that is a symbolic link is refused, and the old file stays as it was
// until the new one is complete.
ReportFileOutcome writeReportFile(const QByteArray& content, const QString& applicationFolder);

// True for the real path of a folder of the system's own (/usr and the like),
// where no report belongs whoever runs the program.
bool isSystemFolder(const QString& realPath);

}  // namespace hosts
