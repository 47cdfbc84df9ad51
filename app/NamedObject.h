#pragma once

#include <string>

// A name that exists system-wide while this process holds it and vanishes
// when the process ends, however it ends: a socket in Linux's abstract
// namespace. Nothing waits on it; when another copy of the program already
// holds the name, this one simply runs without it.
class NamedObject {
public:
    explicit NamedObject(const std::string& name);
    ~NamedObject();
    NamedObject(const NamedObject&) = delete;
    NamedObject& operator=(const NamedObject&) = delete;

    const std::string& name() const { return objectName; }
    // True when this process holds the name.
    bool owned() const { return fd >= 0; }

    // True when some process holds the name.
    static bool exists(const std::string& name);

private:
    std::string objectName;
    int fd = -1;
};
