#include "platform/discovery/domain_controllers.h"

#include <arpa/nameser.h>
#include <netinet/in.h>
#include <resolv.h>

#include <algorithm>
#include <memory>
#include <random>
#include <type_traits>

#include "platform/discovery/computer_domain.h"

namespace platform::discovery {

namespace {

struct SrvRecord {
    std::uint16_t priority = 0;
    std::uint16_t weight = 0;
    DomainController controller;
};

// RFC 2782: records of weight 0 first, then each next one drawn with a
// chance in proportion to its weight among those not yet drawn.
void shuffleByWeight(std::vector<SrvRecord>& group, const RandomUpTo& random) {
    std::stable_partition(group.begin(), group.end(),
                          [](const SrvRecord& r) { return r.weight == 0; });
    for (auto next = group.begin(); next != group.end(); ++next) {
        std::uint32_t total = 0;
        for (auto it = next; it != group.end(); ++it) total += it->weight;
        const std::uint32_t drawn = std::min(random(total), total);
        std::uint32_t running = 0;
        auto chosen = next;
        for (auto it = next; it != group.end(); ++it) {
            running += it->weight;
            if (running >= drawn) {
                chosen = it;
                break;
            }
        }
        std::rotate(next, chosen, chosen + 1);
    }
}

}  // namespace

std::vector<DomainController> domainControllersFromAnswer(const unsigned char* message, int length,
                                                          const RandomUpTo& random) {
    ns_msg handle;
    if (length <= 0 || ns_initparse(message, length, &handle) != 0) return {};
    std::vector<SrvRecord> records;
    const int answers = ns_msg_count(handle, ns_s_an);
    for (int i = 0; i < answers && records.size() < MaxDomainControllers; ++i) {
        ns_rr rr;
        if (ns_parserr(&handle, ns_s_an, i, &rr) != 0) return {};
        if (ns_rr_type(rr) != ns_t_srv || ns_rr_class(rr) != ns_c_in) continue;
        const unsigned char* rdata = ns_rr_rdata(rr);
        const int rdlength = ns_rr_rdlen(rr);
        if (rdlength < 7) continue;
        char target[NS_MAXDNAME];
        const int used =
            dn_expand(ns_msg_base(handle), ns_msg_end(handle), rdata + 6, target, sizeof target);
        if (used < 0 || used > rdlength - 6) continue;
        const QString host = QString::fromLatin1(target);
        if (!isDomainName(host)) continue;  // "." and names DNS would not answer for
        SrvRecord record;
        record.priority = std::uint16_t(ns_get16(rdata));
        record.weight = std::uint16_t(ns_get16(rdata + 2));
        record.controller = {host.toLower(), std::uint16_t(ns_get16(rdata + 4))};
        if (record.controller.port == 0) continue;
        records.push_back(record);
    }
    std::stable_sort(records.begin(), records.end(), [](const SrvRecord& a, const SrvRecord& b) {
        return a.priority < b.priority;
    });
    std::vector<DomainController> ordered;
    for (auto begin = records.begin(); begin != records.end();) {
        const auto end = std::find_if(begin, records.end(), [&](const SrvRecord& r) {
            return r.priority != begin->priority;
        });
        std::vector<SrvRecord> group(begin, end);
        shuffleByWeight(group, random);
        for (const SrvRecord& record : group)
            if (std::find(ordered.begin(), ordered.end(), record.controller) == ordered.end())
                ordered.push_back(record.controller);
        begin = end;
    }
    return ordered;
}

std::vector<DomainController> lookUpDomainControllers(const QString& domain, int timeoutSeconds) {
    if (!isDomainName(domain)) return {};
    const QByteArray name = "_ldap._tcp.dc._msdcs." + domain.toLatin1();
    auto state = std::make_unique<std::remove_pointer_t<res_state>>();
    if (res_ninit(state.get()) != 0) return {};
    state->retrans = std::max(1, timeoutSeconds);
    state->retry = 1;
    constexpr int AnswerSize = 65536;
    const auto answer = std::make_unique<unsigned char[]>(AnswerSize);
    const int length =
        res_nquery(state.get(), name.constData(), ns_c_in, ns_t_srv, answer.get(), AnswerSize);
    res_nclose(state.get());
    std::random_device device;
    std::mt19937 generator(device());
    return domainControllersFromAnswer(
        answer.get(), std::min(length, AnswerSize), [&](std::uint32_t upTo) {
            return std::uniform_int_distribution<std::uint32_t>(0, upTo)(generator);
        });
}

}  // namespace platform::discovery
