#include "platform/discovery/domain_directory.h"

#include <ldap.h>
#include <sasl/sasl.h>

#include <sys/time.h>

#include <algorithm>
#include <memory>

namespace platform::discovery {

namespace {

// Enabled computer objects: bit 2 of userAccountControl marks a disabled one.
constexpr char ComputerFilter[] =
    "(&(objectCategory=computer)(!(userAccountControl:1.2.840.113556.1.4.803:=2)))";

// Far beyond any naming context, computer name or DNS name: longer values are
// cut here and then refused by the checks that follow.
constexpr ber_len_t MaxValueBytes = 1024;

struct LdapDeleter {
    void operator()(LDAP* ld) const { ldap_unbind_ext_s(ld, nullptr, nullptr); }
};
struct MessageDeleter {
    void operator()(LDAPMessage* message) const { ldap_msgfree(message); }
};
using Connection = std::unique_ptr<LDAP, LdapDeleter>;
using Message = std::unique_ptr<LDAPMessage, MessageDeleter>;

// What is left of the time, or nothing when it is gone.
std::optional<timeval> remaining(DirectoryDeadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 1000) return std::nullopt;
    return timeval{time_t(left.count() / 1000000), suseconds_t(left.count() % 1000000)};
}

// Every later call of the library, the bind's included, waits at most this long.
bool boundEveryStep(LDAP* ld, DirectoryDeadline deadline) {
    const std::optional<timeval> left = remaining(deadline);
    return left && ldap_set_option(ld, LDAP_OPT_TIMEOUT, &*left) == LDAP_OPT_SUCCESS &&
           ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &*left) == LDAP_OPT_SUCCESS;
}

// The SASL library asks for what GSSAPI needs besides the ticket: at most an
// authorisation identity, left empty. A secret it should never ask for is
// refused, so no password can be used even by a misconfigured mechanism.
int noPrompt(LDAP*, unsigned, void*, void* prompts) {
    for (auto* prompt = static_cast<sasl_interact_t*>(prompts); prompt->id != SASL_CB_LIST_END;
         ++prompt) {
        if (prompt->id == SASL_CB_PASS || prompt->id == SASL_CB_ECHOPROMPT ||
            prompt->id == SASL_CB_NOECHOPROMPT)
            return LDAP_OTHER;
        prompt->result = "";
        prompt->len = 0;
    }
    return LDAP_SUCCESS;
}

Connection connect(const DomainController& controller, DirectoryDeadline deadline) {
    const QByteArray uri =
        "ldap://" + controller.host.toLatin1() + ':' + QByteArray::number(controller.port);
    LDAP* raw = nullptr;
    if (ldap_initialize(&raw, uri.constData()) != LDAP_SUCCESS || !raw) return {};
    Connection ld(raw);
    const int version = LDAP_VERSION3;
    // The name from DNS is the service principal's; asking reverse DNS for
    // another gives one the KDC does not know.
    if (ldap_set_option(ld.get(), LDAP_OPT_PROTOCOL_VERSION, &version) != LDAP_OPT_SUCCESS ||
        ldap_set_option(ld.get(), LDAP_OPT_REFERRALS, LDAP_OPT_OFF) != LDAP_OPT_SUCCESS ||
        ldap_set_option(ld.get(), LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON) != LDAP_OPT_SUCCESS ||
        // Integrity at least: an unsigned answer could be forged on the LAN.
        ldap_set_option(ld.get(), LDAP_OPT_X_SASL_SECPROPS, "minssf=1,noanonymous,noplain") !=
            LDAP_OPT_SUCCESS ||
        !boundEveryStep(ld.get(), deadline))
        return {};
    if (ldap_sasl_interactive_bind_s(ld.get(), nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET,
                                     noPrompt, nullptr) != LDAP_SUCCESS)
        return {};
    sasl_ssf_t ssf = 0;
    if (ldap_get_option(ld.get(), LDAP_OPT_X_SASL_SSF, &ssf) != LDAP_OPT_SUCCESS || ssf < 1)
        return {};
    return ld;
}

QList<QByteArray> valuesOf(LDAP* ld, LDAPMessage* entry, const char* attribute) {
    QList<QByteArray> values;
    berval** found = ldap_get_values_len(ld, entry, attribute);
    if (!found) return values;
    // Two are enough to tell that there is more than one.
    for (int i = 0; found[i] && i < 2; ++i)
        values.append(
            QByteArray(found[i]->bv_val, qsizetype(std::min(found[i]->bv_len, MaxValueBytes))));
    ldap_value_free_len(found);
    return values;
}

std::optional<QByteArray> defaultNamingContext(LDAP* ld, DirectoryDeadline deadline) {
    char attribute[] = "defaultNamingContext";
    char* attributes[] = {attribute, nullptr};
    LDAPMessage* raw = nullptr;
    if (!boundEveryStep(ld, deadline)) return std::nullopt;
    const int rc = ldap_search_ext_s(ld, "", LDAP_SCOPE_BASE, "(objectClass=*)", attributes, 0,
                                     nullptr, nullptr, nullptr, 1, &raw);
    const Message result(raw);
    if (rc != LDAP_SUCCESS) return std::nullopt;
    LDAPMessage* entry = ldap_first_entry(ld, result.get());
    if (!entry) return std::nullopt;
    const QList<QByteArray> values = valuesOf(ld, entry, attribute);
    if (values.size() != 1 || values.front().isEmpty() ||
        values.front().size() >= qsizetype(MaxValueBytes) || values.front().contains('\0'))
        return std::nullopt;
    return values.front();
}

}  // namespace

std::optional<std::vector<DirectoryComputer>> readDomainComputers(
    const DomainController& controller, DirectoryDeadline deadline) {
    const Connection ld = connect(controller, deadline);
    if (!ld) return std::nullopt;
    const std::optional<QByteArray> base = defaultNamingContext(ld.get(), deadline);
    if (!base) return std::nullopt;

    char cn[] = "cn";
    char dnsHostName[] = "dNSHostName";
    char* attributes[] = {cn, dnsHostName, nullptr};
    std::vector<DirectoryComputer> computers;
    std::size_t entriesRead = 0;
    berval* cookie = nullptr;
    const auto freeCookie = [&cookie] {
        if (cookie) ber_bvfree(cookie);
        cookie = nullptr;
    };
    for (;;) {
        if (!boundEveryStep(ld.get(), deadline)) break;
        LDAPControl* page = nullptr;
        const berval empty{0, nullptr};
        if (ldap_create_page_control(ld.get(), DirectoryPageSize,
                                     cookie ? cookie : const_cast<berval*>(&empty), 1,
                                     &page) != LDAP_SUCCESS)
            break;
        LDAPControl* controls[] = {page, nullptr};
        LDAPMessage* raw = nullptr;
        // No time-out argument: libldap would send its whole seconds to the
        // server as the search's time limit (1 s when less is left), and a DC
        // that works out the whole result first then refuses every page. The
        // wait is bounded by LDAP_OPT_TIMEOUT, set just above.
        const int rc =
            ldap_search_ext_s(ld.get(), base->constData(), LDAP_SCOPE_SUBTREE, ComputerFilter,
                              attributes, 0, controls, nullptr, nullptr, DirectoryPageSize, &raw);
        ldap_control_free(page);
        const Message result(raw);
        if (rc != LDAP_SUCCESS) break;
        for (LDAPMessage* entry = ldap_first_entry(ld.get(), result.get());
             entry && entriesRead < MaxDirectoryEntries; entry = ldap_next_entry(ld.get(), entry)) {
            ++entriesRead;
            if (std::optional<DirectoryComputer> computer = computerFromEntry(
                    valuesOf(ld.get(), entry, cn), valuesOf(ld.get(), entry, dnsHostName)))
                computers.push_back(std::move(*computer));
        }
        if (entriesRead >= MaxDirectoryEntries) break;
        LDAPControl** returned = nullptr;
        int code = LDAP_SUCCESS;
        if (ldap_parse_result(ld.get(), result.get(), &code, nullptr, nullptr, nullptr, &returned,
                              0) != LDAP_SUCCESS)
            break;
        LDAPControl* response = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, returned, nullptr);
        ber_int_t estimate = 0;
        berval next{0, nullptr};
        const bool more = response && ldap_parse_pageresponse_control(ld.get(), response, &estimate,
                                                                      &next) == LDAP_SUCCESS;
        ldap_controls_free(returned);
        freeCookie();
        if (!more || next.bv_len == 0) {
            if (next.bv_val) ber_memfree(next.bv_val);
            break;
        }
        cookie = ber_bvdup(&next);
        ber_memfree(next.bv_val);
        if (!cookie) break;
    }
    freeCookie();
    return computers;
}

std::vector<DirectoryComputer> readDomainDirectory(const QString& domain,
                                                   DirectoryDeadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::seconds>(
        deadline - std::chrono::steady_clock::now());
    for (const DomainController& controller :
         lookUpDomainControllers(domain, int(std::max<long>(1, left.count())))) {
        if (std::chrono::steady_clock::now() >= deadline) break;
        if (std::optional<std::vector<DirectoryComputer>> computers =
                readDomainComputers(controller, deadline))
            return std::move(*computers);
    }
    return {};
}

}  // namespace platform::discovery
