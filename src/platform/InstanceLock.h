#pragma once

#include <string>

namespace corvalet {

// Claims a settings folder for one resident program. Two programs on the same settings would each
// mail every due row, so a second one must not start its schedule. The claim is a lock on the
// folder itself (no file is added to it); it ends with this object or with the process, however
// the process ends, and a program it starts does not inherit it.
class TInstanceLock {
public:
    explicit TInstanceLock(const std::string& folder);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // False only when another program holds the folder. A folder that cannot be locked at all (one
    // that does not exist, or a file system without locks) counts as held: the program then runs
    // as it would without the lock, rather than not at all.
    bool Held() const { return !TakenByAnother; }

private:
    int Descriptor = -1;
    bool TakenByAnother = false;
};

} // namespace corvalet
