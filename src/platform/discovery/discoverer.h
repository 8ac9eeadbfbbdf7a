#pragma once
// One way of finding the computers of the local network. Each method (DNS-SD,
// WS-Discovery) is its own class; the browser runs several at once and merges
// what they report, without caring which one found a host.

#include <QObject>
#include <QString>

namespace platform::discovery {

struct DiscoveredHost {
    QString name;     // as the caller will look it up (e.g. "srv05.local", "PC-ANNA")
    QString address;  // dotted IPv4 address seen while discovering, or empty
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
