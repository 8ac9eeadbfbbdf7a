#include "tools/hosts/report_file.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

namespace hosts {

namespace {

struct Attempt {
    ReportFileOutcome outcome;
    bool couldCreate = false;
};

Attempt writeInto(const QString& folder, const QByteArray& content) {
    Attempt attempt;
    attempt.outcome.path = QDir::cleanPath(folder + QLatin1Char('/') + kReportFileName);
    // Written beside the old report under a temporary name and renamed over
    // it once complete; dropped (and the old report kept) on any failure.
    QSaveFile file(attempt.outcome.path);
    if (!file.open(QIODevice::WriteOnly)) {
        attempt.outcome.reason = file.errorString();
        return attempt;
    }
    attempt.couldCreate = true;
    if (file.write(content) != content.size() || !file.commit()) {
        attempt.outcome.reason = file.errorString();
        return attempt;
    }
    attempt.outcome.written = true;
    return attempt;
}

}  // namespace

ReportFileOutcome WriteReportFile(const QByteArray& content, const QString& applicationFolder) {
    const Attempt inApplicationFolder = writeInto(applicationFolder, content);
    if (inApplicationFolder.outcome.written || inApplicationFolder.couldCreate)
        return inApplicationFolder.outcome;
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dataFolder.isEmpty()) return inApplicationFolder.outcome;
    QDir().mkpath(dataFolder);
    return writeInto(dataFolder, content).outcome;
}

}  // namespace hosts
