#pragma once

#include <sys/stat.h>

namespace corvalet::test {

// Sets the process's umask for one test (the usual 022 of a desktop session, under which a file
// made without care is readable by everyone) and puts the earlier one back.
class TUmask {
public:
    explicit TUmask(mode_t mask) : Saved(::umask(mask)) {}
    ~TUmask() { ::umask(Saved); }
    TUmask(const TUmask&) = delete;
    TUmask& operator=(const TUmask&) = delete;

private:
    mode_t Saved;
};

} // namespace corvalet::test
