#pragma once
// Finds SMB file servers that announce themselves through DNS-SD
// (`_smb._tcp`, as Samba does when Avahi runs), through the system's
// avahi-daemon. Each host is reported by its mDNS host name ("srv05.local"),
// which the system resolver turns into an address through nss-mdns.

#include "platform/discovery/discoverer.h"

struct AvahiThreadedPoll;
struct AvahiClient;

namespace platform::discovery {

class DnsSdDiscoverer final : public Discoverer {
    Q_OBJECT

public:
    explicit DnsSdDiscoverer(QObject* parent = nullptr);
    ~DnsSdDiscoverer() override;

    // False when no avahi-daemon answers on the system bus.
    bool start() override;
    void stop() override;
    bool isFinished() const override { return finished_; }

private:
    struct AvahiCallbacks;  // run on Avahi's own thread
    friend struct AvahiCallbacks;

    void release();
    void reportFinished();

    AvahiThreadedPoll* poll_ = nullptr;
    AvahiClient* client_ = nullptr;
    // Touched only on Avahi's thread while it runs.
    int pendingResolvers_ = 0;
    bool allForNow_ = false;
    bool endReported_ = false;
    // Touched only on this object's thread.
    bool running_ = false;
    bool finished_ = false;
};

}  // namespace platform::discovery
