#include "platform/discovery/dnssd_discoverer.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/thread-watch.h>

#include "platform/discovery/mdns_host_name.h"

namespace platform::discovery {

// Avahi calls these on its poll thread; results travel to the discoverer's
// own thread as queued calls, which Qt drops if the discoverer is gone.
struct DnsSdDiscoverer::AvahiCallbacks {
    static void client(AvahiClient*, AvahiClientState state, void* data) {
        // The daemon went away: nothing more will come.
        if (state == AVAHI_CLIENT_FAILURE) endOfResults(static_cast<DnsSdDiscoverer*>(data));
    }

    static void browse(AvahiServiceBrowser* browser, AvahiIfIndex interface, AvahiProtocol,
                       AvahiBrowserEvent event, const char* name, const char* type,
                       const char* domain, AvahiLookupResultFlags, void* data) {
        auto* self = static_cast<DnsSdDiscoverer*>(data);
        switch (event) {
            case AVAHI_BROWSER_NEW:
                // IPv4 transport as well as IPv4 address: a resolver on any other
                // transport does not find the host and waits for Avahi's 5 s time-out.
                if (avahi_service_resolver_new(
                        avahi_service_browser_get_client(browser), interface, AVAHI_PROTO_INET,
                        name, type, domain, AVAHI_PROTO_INET, AvahiLookupFlags(0), resolved, self))
                    ++self->pendingResolvers_;
                break;
            case AVAHI_BROWSER_ALL_FOR_NOW:
                self->allForNow_ = true;
                endWhenComplete(self);
                break;
            case AVAHI_BROWSER_FAILURE:
                endOfResults(self);
                break;
            case AVAHI_BROWSER_REMOVE:
            case AVAHI_BROWSER_CACHE_EXHAUSTED:
                break;
        }
    }

    static void resolved(AvahiServiceResolver* resolver, AvahiIfIndex, AvahiProtocol,
                         AvahiResolverEvent event, const char*, const char*, const char*,
                         const char* hostName, const AvahiAddress* address, uint16_t,
                         AvahiStringList*, AvahiLookupResultFlags, void* data) {
        auto* self = static_cast<DnsSdDiscoverer*>(data);
        // The name is the peer's to choose, bytes and all.
        const std::optional<QString> name =
            event == AVAHI_RESOLVER_FOUND ? mdnsHostName(hostName) : std::nullopt;
        if (name) {
            char text[AVAHI_ADDRESS_STR_MAX] = {};
            if (address && address->proto == AVAHI_PROTO_INET)
                avahi_address_snprint(text, sizeof text, address);
            const DiscoveredHost host{*name, QString::fromLatin1(text),
                                      DiscoveredHost::Naming::Mdns};
            QMetaObject::invokeMethod(
                self,
                [self, host] {
                    if (self->running_) emit self->discovered(host);
                },
                Qt::QueuedConnection);
        }
        avahi_service_resolver_free(resolver);
        --self->pendingResolvers_;
        endWhenComplete(self);
    }

    // Avahi says "all for now" once its cache and the first round of answers
    // are in (about a second after browsing starts); after that and the last
    // resolver, the list is complete.
    static void endWhenComplete(DnsSdDiscoverer* self) {
        if (self->allForNow_ && self->pendingResolvers_ == 0) endOfResults(self);
    }

    static void endOfResults(DnsSdDiscoverer* self) {
        if (self->endReported_) return;
        self->endReported_ = true;
        QMetaObject::invokeMethod(
            self, [self] { self->reportFinished(); }, Qt::QueuedConnection);
    }
};

DnsSdDiscoverer::DnsSdDiscoverer(QObject* parent) : Discoverer(parent) {}

DnsSdDiscoverer::~DnsSdDiscoverer() {
    release();
}

bool DnsSdDiscoverer::start() {
    poll_ = avahi_threaded_poll_new();
    if (!poll_) return false;
    int error = 0;
    // Without AVAHI_CLIENT_NO_FAIL the call fails at once when no daemon runs.
    client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AvahiClientFlags(0),
                               AvahiCallbacks::client, this, &error);
    // The browser is made before Avahi's thread starts, so nothing races here;
    // the client frees it, and every resolver, when it goes.
    if (!client_ ||
        !avahi_service_browser_new(client_, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, "_smb._tcp", nullptr,
                                   AvahiLookupFlags(0), AvahiCallbacks::browse, this) ||
        avahi_threaded_poll_start(poll_) < 0) {
        release();
        return false;
    }
    running_ = true;
    return true;
}

void DnsSdDiscoverer::stop() {
    release();
    finished_ = true;
}

void DnsSdDiscoverer::reportFinished() {
    if (!running_) return;
    release();
    finished_ = true;
    emit finished();
}

void DnsSdDiscoverer::release() {
    running_ = false;
    if (!poll_) return;
    // Stopping joins Avahi's thread; only then may its objects be freed.
    avahi_threaded_poll_stop(poll_);
    if (client_) avahi_client_free(client_);
    avahi_threaded_poll_free(poll_);
    client_ = nullptr;
    poll_ = nullptr;
}

}  // namespace platform::discovery
