#pragma once
// Builds throw-away network namespaces for tests that need real peers and
// routers, and removes everything it made when it goes out of scope. Nothing
// here touches this machine's own network namespace beyond creating the
// namespaces and the veth pairs that live inside them.

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace testing_support {

class NetnsLab {
public:
    // Empty when namespace tests can run here; otherwise why they cannot.
    static QString skipReason();

    explicit NetnsLab(const QString& tag);
    ~NetnsLab();
    NetnsLab(const NetnsLab&) = delete;
    NetnsLab& operator=(const NetnsLab&) = delete;

    // Creates a namespace with loopback up; returns its full name.
    QString addNamespace(const QString& shortName);
    QString name(const QString& shortName) const;

    // A veth pair between two namespaces, addresses in CIDR form ("10.1.0.1/24").
    bool link(const QString& nsA, const QString& ifA, const QString& addressA, const QString& nsB,
              const QString& ifB, const QString& addressB);

    // Runs a shell command inside a namespace; true when it exits 0.
    bool run(const QString& shortName, const QString& command, QString* output = nullptr);

    // Adds an nftables rule to a table of the test's own in a namespace: a
    // chain named after the hook ("input", "output", "forward"), created with
    // the table when needed. removeFilter() drops the table and its rules
    // (false, quietly, when there is none).
    bool addFilterRule(const QString& shortName, const QString& table, const QString& hook,
                       const QString& rule, const QString& family = QStringLiteral("inet"));
    bool removeFilter(const QString& shortName, const QString& table,
                      const QString& family = QStringLiteral("inet"));

    // Starts a long-running command inside a namespace in its own session
    // (setsid), so that daemons signalling their process group hit only
    // themselves. It is killed when the lab goes.
    pid_t spawn(const QString& shortName, const QString& command, const QString& logFile = {});

    // Moves the calling thread into a namespace until the guard goes.
    class Inside {
    public:
        Inside(const NetnsLab& lab, const QString& shortName);
        ~Inside();
        bool ok() const { return ok_; }

    private:
        int previous_ = -1;
        bool ok_ = false;
    };

private:
    QString prefix_;
    QStringList namespaces_;
    QList<pid_t> spawned_;
};

}  // namespace testing_support
