#pragma once
// Finds the servers of the NetBIOS browse list of the computer's primary
// workgroup, as the workgroup's master browser keeps it, and their addresses
// by NetBIOS name queries. The list itself comes from a small helper program
// (tarsino-netbios-browse, among Tarsino's helpers), which is killed when it
// takes too long.

#include <QProcess>
#include <QTimer>

#include "platform/discovery/discoverer.h"
#include "platform/discovery/netbios_name_resolver.h"

namespace platform::discovery {

class NetBiosDiscoverer final : public Discoverer {
    Q_OBJECT

public:
    // A workgroup without master browser fails after about 0.75 s; a working
    // browse is done in a tenth of a second.
    static constexpr int BrowseLimitMs = 1200;
    // Far more than a workgroup's browse list holds.
    static constexpr qsizetype MaxListBytes = 64 * 1024;
    static constexpr int MaxServers = 1000;

    explicit NetBiosDiscoverer(QString browseProgram, QObject* parent = nullptr);
    ~NetBiosDiscoverer() override;

    // The helper program of the running application: beside it in a build
    // tree, in Tarsino's libexec folder when installed.
    static QString installedBrowseProgram();

    // False when the helper program is missing or no interface can broadcast.
    bool start() override;
    void stop() override;
    bool isFinished() const override { return finished_; }

private:
    void readList();
    void browseEnded(bool listComplete);
    void finish();
    void stopBrowse();

    QString program_;
    QProcess browse_;
    QByteArray list_;
    QTimer browseLimit_;
    NetBiosNameResolver resolver_;
    bool running_ = false;
    bool browsing_ = false;
    bool finished_ = false;
};

}  // namespace platform::discovery
