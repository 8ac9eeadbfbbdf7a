#include "lab_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

int boundUdpSocket(const char* address, quint16 port) {
    const int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{AF_INET, htons(port), {::inet_addr(address)}, {}};
    if (udp >= 0 && ::bind(udp, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0) return udp;
    if (udp >= 0) ::close(udp);
    return -1;
}

int tcpListener(const char* address, quint16 port) {
    const int tcp = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int yes = 1;
    sockaddr_in local{AF_INET, htons(port), {::inet_addr(address)}, {}};
    if (tcp >= 0 && ::setsockopt(tcp, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
        ::bind(tcp, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        ::listen(tcp, 64) == 0)
        return tcp;
    if (tcp >= 0) ::close(tcp);
    return -1;
}

bool joinDiscoveryGroup(int udp, const char* interfaceAddress) {
    ip_mreq group{};
    group.imr_multiaddr.s_addr = ::inet_addr("239.255.255.250");
    group.imr_interface.s_addr = ::inet_addr(interfaceAddress);
    return ::setsockopt(udp, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) == 0;
}

PeerThread::PeerThread(const NetnsLab& lab, const QString& ns, Serve serve)
    : thread_([this, &lab, ns, serve = std::move(serve)] {
          {
              NetnsLab::Inside inside(lab, ns);
              if (inside.ok()) serve(*this);
          }
          // A function that ended or never ran without a word did not listen.
          report(false);
      }) {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return state_ != State::Starting; });
}

PeerThread::~PeerThread() {
    stop_ = true;
    thread_.join();
}

void PeerThread::report(bool listening) {
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::Starting) return;
        state_ = listening ? State::Listening : State::Failed;
    }
    ready_.notify_all();
}

}  // namespace testing_support
