#pragma once
// Writing the report file: complete or not at all, in the application's
// folder or, where that cannot be written, in the user's data folder.

#include <QByteArray>
#include <QString>

namespace hosts {

inline const QString kReportFileName = QStringLiteral("Tarsino.htm");

struct ReportFileOutcome {
    bool written = false;
    QString path;    // the file written, or the one that could not be
    QString reason;  // why not, when not written
};

// Replaces the report in `applicationFolder` with `content`. The old file
// stays as it was until the new one is complete. A folder where no file can
// be created sends the report to the user's data folder (made if missing).
ReportFileOutcome WriteReportFile(const QByteArray& content, const QString& applicationFolder);

}  // namespace hosts
