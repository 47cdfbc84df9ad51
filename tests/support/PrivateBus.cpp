#include "support/PrivateBus.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A session bus that listens where we say, lets anyone own any name and
// has no service folders, so nothing on this machine is started by it.
std::string busConfig(const std::string& socket) {
    return R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=)" +
           socket + R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
}

bool acceptsConnections(const std::string& path) {
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    if (path.size() >= sizeof(where.sun_path))
        return false;
    path.copy(where.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof(where)) == 0;
    ::close(fd);
    return connected;
}

} // namespace

PrivateBus::PrivateBus() : socket_(folder_.file("bus")), address_("unix:path=" + socket_) {
    const std::string config = folder_.file("bus.conf");
    std::ofstream(config) << busConfig(socket_);
    daemon_ = std::make_unique<ToolRun>(
        std::vector<std::string>{"dbus-daemon", "--config-file=" + config, "--nofork",
                                 "--nopidfile", "--print-address"},
        folder_.path());
    if (!daemon_->started())
        return;
    ready_ =
        waitUntil([&] { return acceptsConnections(socket_) || processEnded(daemon_->pid()); }) &&
        acceptsConnections(socket_);
    if (!ready_)
        ADD_FAILURE() << "dbus-daemon did not listen on " << socket_ << ": "
                      << daemon_->finish(std::chrono::seconds(1)).err;
}
