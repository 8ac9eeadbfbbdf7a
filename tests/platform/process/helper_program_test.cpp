// Where the program finds its helper programs: beside itself in a build tree,
// in its installed helpers' folder otherwise, and never through the working
// directory.

#include <QtTest>

#include <QFile>
#include <QTemporaryDir>

#include "platform/process/helper_program.h"

using platform::process::helperProgramPath;

namespace {

const std::string Installed = "../libexec/tarsino";

void makeFile(const QString& path, QFile::Permissions permissions) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

}  // namespace

class HelperProgramTest : public QObject {
    Q_OBJECT

private slots:
    void anExecutableBesideTheProgramIsTakenFirst() {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("bin"));
        const QString bin = root.filePath("bin");
        makeFile(bin + "/helper", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(helperProgramPath("helper", bin.toStdString(), Installed),
                 (bin + "/helper").toStdString());
    }

    // A stale data file or a folder of the helper's name is not the helper.
    void otherwiseTheInstalledFolderRelativeToTheProgram() {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("bin/folder-helper"));
        const QString bin = root.filePath("bin");
        makeFile(bin + "/data-helper", QFile::ReadOwner | QFile::WriteOwner);
        const QString installed = root.filePath("libexec/tarsino/");

        for (const char* name : {"missing-helper", "data-helper", "folder-helper"})
            QCOMPARE(helperProgramPath(name, bin.toStdString(), Installed),
                     (installed + name).toStdString());
    }

    void anAbsoluteInstalledFolderIsTakenAsItIs() {
        QTemporaryDir root;
        QCOMPARE(helperProgramPath("helper", root.path().toStdString(), "/opt/helpers"),
                 std::string("/opt/helpers/helper"));
    }

    // A relative path would be resolved in whatever folder the user is in.
    void anUnknownProgramFolderFindsNoHelper() {
        QCOMPARE(helperProgramPath("helper", "", Installed), std::string());
    }

    // The build puts the NetBIOS browse helper beside this test, as beside
    // the program in a build tree.
    void theRunningProgramFindsTheHelperBesideIt() {
        const QString folder = QCoreApplication::applicationDirPath();
        QCOMPARE(QString::fromStdString(platform::process::runningProgramFolder()), folder);
        QCOMPARE(QString::fromStdString(helperProgramPath("tarsino-netbios-browse")),
                 folder + "/tarsino-netbios-browse");
    }
};

QTEST_GUILESS_MAIN(HelperProgramTest)
#include "helper_program_test.moc"
