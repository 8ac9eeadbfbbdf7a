// tarsino-netbios-browse: prints the servers of the NetBIOS browse list of
// this computer's primary workgroup, one name per line, and exits 0; exits 1
// when the list cannot be had (no master browser, for one).
//
// A program of its own because the browse request works only over SMB1 and
// libsmbclient's protocol setting holds for the whole process: here it
// cannot touch any other connection of Tarsino.

#include <libsmbclient.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Each network step of libsmbclient gives up after this long; the program that
// started us kills us at its own limit anyway.
constexpr int OperationTimeoutMs = 1500;
// Should that program vanish without killing us, we still end.
constexpr unsigned SelfDestructSeconds = 5;

// A workgroup is a configuration text: everything but plain characters is
// escaped, so that it cannot change the meaning of the URL.
std::string percentEncoded(const std::string& text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += digits[c >> 4];
            encoded += digits[c & 0xF];
        }
    }
    return encoded;
}

// One name per line: a name that could break the line format is left out.
bool printable(const char* name) {
    if (!*name) return false;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c; ++c)
        if (*c < 0x20 || *c == 0x7F) return false;
    return true;
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// libsmbclient keeps some talloc memory to the end of the process; in the
// sanitizer build that would turn every run into a failure.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libtalloc.so\nleak:libsmbclient.so\n";
}
#endif

int main() {
    ::alarm(SelfDestructSeconds);
    SMBCCTX* context = smbc_new_context();
    if (!context) return 1;
    smbc_setDebug(context, 0);
    smbc_setOptionDebugToStderr(context, 1);
    smbc_setTimeout(context, OperationTimeoutMs);
    // The browse request (RAP NetServerEnum2) exists only in SMB1; with the
    // minimum alone the server still negotiates SMB3 and the request fails.
    smbc_setOptionProtocols(context, "NT1", "NT1");
    if (!smbc_init_context(context)) {
        smbc_free_context(context, 0);
        return 1;
    }

    // libsmbclient reads ~/.smb/smb.conf, else the system's smb.conf;
    // "WORKGROUP" when neither names one.
    const char* workgroup = smbc_getWorkgroup(context);
    const std::string url = "smb://" + percentEncoded(workgroup ? workgroup : "WORKGROUP") + "/";

    int status = 1;
    if (SMBCFILE* list = smbc_getFunctionOpendir(context)(context, url.c_str())) {
        while (const smbc_dirent* entry = smbc_getFunctionReaddir(context)(context, list))
            if (entry->smbc_type == SMBC_SERVER && printable(entry->name))
                std::printf("%s\n", entry->name);
        smbc_getFunctionClosedir(context)(context, list);
        status = 0;
    } else {
        std::fprintf(stderr, "browse list of %s: %s\n", url.c_str(), std::strerror(errno));
    }
    std::fflush(stdout);
    smbc_free_context(context, 1);
    return status;
}
