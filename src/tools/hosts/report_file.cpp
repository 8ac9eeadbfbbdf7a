#include "tools/hosts/report_file.h"

#include <QDir>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace hosts {

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now; false when closing reported an error (a lost write).
    bool reset() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

struct Folder {
    Descriptor descriptor;
    QString realPath;
    int error = 0;  // why it could not be opened
};

// Opened by its real path, the last step not followed should it have become a
// link meanwhile: everything after goes through the descriptor, so renaming
// or replacing the folder later cannot send the report elsewhere.
Folder openFolder(const QString& path) {
    Folder folder;
    char real[PATH_MAX];
    if (path.isEmpty() || ::realpath(QFile::encodeName(path).constData(), real) == nullptr) {
        folder.error = path.isEmpty() ? ENOENT : errno;
        return folder;
    }
    folder.realPath = QFile::decodeName(real);
    folder.descriptor = Descriptor(::open(real, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.descriptor) folder.error = errno;
    return folder;
}

// The user's own: owned by whoever runs the program, writable by no one else.
bool isOwnFolder(const Folder& folder) {
    struct stat status {};
    return folder.descriptor && !isSystemFolder(folder.realPath) &&
           ::fstat(folder.descriptor.get(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool writeAll(int fd, const QByteArray& content) {
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t written = ::write(fd, content.constData() + done,
                                        static_cast<std::size_t>(content.size() - done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        done += written;
    }
    return true;
}

struct Attempt {
    ReportFileOutcome outcome;
    bool couldCreate = false;  // a file could be made there (or was refused on purpose)
};

Attempt writeInto(const Folder& folder, const QByteArray& content) {
    Attempt attempt;
    attempt.outcome.path = folder.realPath + QLatin1Char('/') + ReportFileName;
    const QByteArray name = QFile::encodeName(ReportFileName);
    const int at = folder.descriptor.get();
    const auto fail = [&attempt](int error) {
        attempt.outcome.reason = systemReason(error);
        return attempt;
    };

    struct stat existing {};
    const bool exists = ::fstatat(at, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISLNK(existing.st_mode)) {
        attempt.couldCreate = true;  // refused, not sent elsewhere
        return fail(ELOOP);
    }

    // Written beside the old report under a name of its own and renamed over
    // it once complete: the rename replaces whatever stands at the report's
    // name, a link planted meanwhile included, and never follows it.
    QByteArray temporary;
    Descriptor file;
    for (int tries = 0; tries < 100 && !file; ++tries) {
        temporary =
            "." + name + "-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        file = Descriptor(::openat(at, temporary.constData(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file && errno != EEXIST) return fail(errno);
    }
    if (!file) return fail(EEXIST);
    attempt.couldCreate = true;
    if (exists && S_ISREG(existing.st_mode))
        ::fchmod(file.get(), existing.st_mode & 0666);  // keep the old report's sharing

    const bool complete = writeAll(file.get(), content) && ::fsync(file.get()) == 0;
    const int writeError = errno;
    if (!file.reset() || !complete ||
        ::renameat(at, temporary.constData(), at, name.constData()) != 0) {
        const int error = complete ? errno : writeError;
        ::unlinkat(at, temporary.constData(), 0);
        return fail(error);
    }
    attempt.outcome.written = true;
    return attempt;
}

}  // namespace

bool isSystemFolder(const QString& realPath) {
    static const char* const systemFolders[] = {
        "/usr",  "/bin", "/sbin", "/lib",  "/lib32", "/lib64", "/libx32", "/opt", "/etc",
        "/boot", "/var", "/srv",  "/proc", "/sys",   "/dev",   "/run",    "/snap"};
    const QString path = QDir::cleanPath(realPath);
    if (path == QLatin1String("/")) return true;
    for (const char* system : systemFolders) {
        const QLatin1String folder(system);
        if (path == folder || path.startsWith(folder + QLatin1Char('/'))) return true;
    }
    return false;
}

ReportFileOutcome writeReportFile(const QByteArray& content, const QString& applicationFolder) {
    const Folder programFolder = openFolder(applicationFolder);
    ReportFileOutcome outcome;
    if (isOwnFolder(programFolder)) {
        const Attempt attempt = writeInto(programFolder, content);
        if (attempt.outcome.written || attempt.couldCreate) return attempt.outcome;
        outcome = attempt.outcome;
    } else {
        outcome.path = QDir::cleanPath(
            (programFolder.realPath.isEmpty() ? applicationFolder : programFolder.realPath) +
            QLatin1Char('/') + ReportFileName);
        outcome.reason = systemReason(programFolder.error != 0 ? programFolder.error : EACCES);
    }

    const QString dataPath = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dataPath.isEmpty()) return outcome;
    QDir().mkpath(dataPath);
    const Folder dataFolder = openFolder(dataPath);
    if (!dataFolder.descriptor) {
        outcome.path = QDir::cleanPath(dataPath + QLatin1Char('/') + ReportFileName);
        outcome.reason = systemReason(dataFolder.error);
        return outcome;
    }
    return writeInto(dataFolder, content).outcome;
}

}  // namespace hosts
