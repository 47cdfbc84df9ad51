#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Where an address lies, ranked as browsers rank it for their private-network
// rule: the public internet, a private network (RFC 1918, fc00::/7,
// link-local), or this machine (loopback, and 0.0.0.0, which reaches it).
// A request may go from a space to its own or a more public one, never to a
// more private one.
enum class NetworkSpace { Public, Private, Local };

class AddressSpace {
public:
    // An address literal (IPv6 with or without its brackets) and "localhost"
    // with its subdomains; nothing for any other name, whose space only its
    // lookup tells.
    static std::optional<NetworkSpace> ofHost(std::string_view host);
    // address in network order: the bytes as they go on the wire.
    static NetworkSpace ofIpv4(const unsigned char (&address)[4]);
    static NetworkSpace ofIpv6(const unsigned char (&address)[16]);

    // Whether something in space from may ask for something in space to.
    static bool reaches(NetworkSpace from, NetworkSpace to) { return to <= from; }
};
