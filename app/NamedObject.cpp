#include "NamedObject.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace {

// An abstract address: a leading zero byte, then the name (not terminated).
socklen_t abstractAddress(const std::string& name, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

} // namespace

NamedObject::NamedObject(const std::string& name) : objectName(name) {
    const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return;
    sockaddr_un address;
    const socklen_t length = abstractAddress(name, address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        close(s);
        return;
    }
    fd = s;
}

NamedObject::~NamedObject() {
    if (fd >= 0)
        close(fd);
}

bool NamedObject::exists(const std::string& name) {
    const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    sockaddr_un address;
    const socklen_t length = abstractAddress(name, address);
    const bool taken =
        bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 && errno == EADDRINUSE;
    close(s);
    return taken;
}
