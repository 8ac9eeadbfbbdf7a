#pragma once
// Finds the addresses of NetBIOS names the way Windows does without a WINS
// server: a name query broadcast on every IPv4 interface, repeated for the
// names still unanswered, for a bounded time. Browse-list names usually
// resolve no other way on Linux.

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

class QUdpSocket;

namespace platform::discovery {

class NetBiosNameResolver final : public QObject {
    Q_OBJECT

public:
    // Queries go out this often, this many times (RFC 1002's broadcast
    // timing); a name unanswered after the last one stays unresolved.
    static constexpr int RetryIntervalMs = 250;
    static constexpr int Attempts = 3;

    explicit NetBiosNameResolver(QObject* parent = nullptr);
    ~NetBiosNameResolver() override;

    // Opens a socket on every broadcast-capable IPv4 interface; false when
    // there is none.
    bool open();
    // Queries every name; `resolved` for each answered one, then `finished`
    // (at once when no name can be queried).
    void resolve(const QStringList& names);
    // Ends querying now; nothing is reported afterwards.
    void close();

signals:
    void resolved(const QString& name, const QHostAddress& address);
    void finished();

private:
    struct Interface {
        QUdpSocket* socket;
        QHostAddress broadcast;
    };

    void sendQueries();
    void retryOrGiveUp();
    void readDatagrams(QUdpSocket* socket);
    void finish();

    QList<Interface> interfaces_;
    QHash<quint16, QString> pending_;  // transaction id -> name
    QTimer retry_;
    int attempt_ = 0;
};

}  // namespace platform::discovery
