#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// The process's PATH, replaced for the object's life.
class ScopedPath {
public:
    explicit ScopedPath(const std::string& path) {
        if (const char* old = std::getenv("PATH"))
            saved = old;
        setenv("PATH", path.c_str(), 1);
    }
    ~ScopedPath() {
        if (saved)
            setenv("PATH", saved->c_str(), 1);
        else
            unsetenv("PATH");
    }
    ScopedPath(const ScopedPath&) = delete;
    ScopedPath& operator=(const ScopedPath&) = delete;

    // The PATH before this object, empty when there was none.
    std::string previous() const { return saved.value_or(""); }

private:
    std::optional<std::string> saved;
};
