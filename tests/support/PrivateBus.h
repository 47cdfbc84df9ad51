#pragma once

#include "support/TempFolder.h"
#include "support/ToolRun.h"

#include <memory>
#include <string>

// A D-Bus bus daemon of the test's own, on a socket in a temporary folder,
// for as long as the object lives (the daemon is killed and its folder
// removed afterwards). It activates no services: a name is there only when
// the test owns it.
//
//   PrivateBus bus;
//   ASSERT_TRUE(bus.ready());
//   QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "test");
class PrivateBus {
public:
    PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // True once the daemon takes connections.
    bool ready() const { return ready_; }
    const std::string& address() const { return address_; }

private:
    TempFolder folder_;
    std::string socket_;
    std::string address_;
    std::unique_ptr<ToolRun> daemon_;
    bool ready_ = false;
};
