#pragma once
// One way of finding the computers of the local network. Each method (DNS-SD,
// WS-Discovery, the NetBIOS browse list) is its own class; the browser runs
// several at once and merges what they report, without caring which one found
// a host.

#include <QObject>
#include <QString>

namespace platform::discovery {

struct DiscoveredHost {
    // Whose name it is: the computer's own name in its workgroup (as
    // WS-Discovery and the NetBIOS browse list give it), or its mDNS host name.
    enum class Naming { Workgroup, Mdns };

    QString name;     // as the caller will look it up (e.g. "srv05.local", "PC-ANNA")
    QString address;  // dotted IPv4 address seen while discovering, or empty
    Naming naming = Naming::Workgroup;
};

class Discoverer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts discovering. False when the method cannot run here at all (no
    // daemon, no usable interface); `finished` then never comes.
    virtual bool start() = 0;
    // Ends discovering now; nothing is reported afterwards.
    virtual void stop() = 0;
    virtual bool isFinished() const = 0;

signals:
    void discovered(const platform::discovery::DiscoveredHost& host);
    void finished();
};

}  // namespace platform::discovery
