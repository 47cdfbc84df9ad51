#pragma once

#include <sys/prctl.h>

// Makes this process the parent of any orphan among its descendants for the
// object's life, so a test can waitpid() on a grandchild and see how it
// ended. Without it an orphan goes to init and may linger as a zombie that
// kill(pid, 0) still finds. Adopted processes stay our children afterwards.
class ChildSubreaper {
public:
    ChildSubreaper() {
        prctl(PR_GET_CHILD_SUBREAPER, &previous);
        prctl(PR_SET_CHILD_SUBREAPER, 1);
    }
    ~ChildSubreaper() { prctl(PR_SET_CHILD_SUBREAPER, previous); }
    ChildSubreaper(const ChildSubreaper&) = delete;
    ChildSubreaper& operator=(const ChildSubreaper&) = delete;

private:
    int previous = 0;
};
