#pragma once
// Finds Windows computers (and Samba hosts running wsdd) the way Windows
// itself does: a WS-Discovery Probe for devices on every multicast-capable
// IPv4 interface, a Resolve for matches that give no transport address, and a
// WS-Transfer Get of each computer's metadata for its name and workgroup.

#include <QHash>
#include <QList>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include "platform/discovery/discoverer.h"
#include "platform/discovery/primary_group.h"
#include "platform/discovery/wsd_messages.h"

class QNetworkAccessManager;
class QNetworkReply;
class QUdpSocket;

namespace platform::discovery {

class WsdDiscoverer final : public Discoverer {
    Q_OBJECT

public:
    // A peer answers a probe after a random delay of up to 500 ms (Windows
    // waits that long at most), so an answer to our second probe, sent at
    // 150 ms, is due by 650 ms; the rest covers its way across a busy LAN.
    // Matches are taken for this long after the start, then the discoverer
    // ends as soon as the metadata it asked for has come.
    static constexpr int ProbeWindowMs = 800;
    static constexpr int SecondProbeDelayMs = 150;
    // A computer announces one endpoint of its own and perhaps a few of
    // devices it serves; all of them end in one row for its address. More
    // from one sender only make us open connections to whoever forges them.
    static constexpr int MaxFetchesPerSender = 8;

    // Reports only computers of `group`.
    explicit WsdDiscoverer(PrimaryGroup group, QObject* parent = nullptr);
    ~WsdDiscoverer() override;

    bool start() override;
    void stop() override;
    bool isFinished() const override { return finished_; }

private:
    enum class EndpointState { Resolving, Fetching, Done };

    void sendProbes();
    void readDatagrams(QUdpSocket* socket);
    void handleMatch(const wsd::Match& match, const QHostAddress& sender, QUdpSocket* socket);
    void sendResolve(const QString& endpoint, QUdpSocket* socket, int attempt);
    void fetchMetadata(const QString& endpoint, const QUrl& url);
    void metadataArrived(QNetworkReply* reply, const QString& endpoint);
    void finishWhenIdle();
    void closeEverything();

    PrimaryGroup group_;
    QList<QUdpSocket*> sockets_;
    QNetworkAccessManager* network_ = nullptr;
    QSet<QString> ourMessageIds_;
    QHash<QString, EndpointState> endpoints_;
    QSet<QNetworkReply*> replies_;
    int fetches_ = 0;
    QHash<QString, int> fetchesPerSender_;  // by address, as the URLs write it
    QTimer secondProbe_;
    QTimer probeWindow_;
    bool running_ = false;
    bool finished_ = false;
};

}  // namespace platform::discovery
