#pragma once

#include <string>

namespace corvalet {

// Claims a settings folder for one resident program. Two programs on the same settings would each
// mail every due row, so a second one must not start its schedule. The claim is a lock on a file of
// the user's own in that folder, ".Corvalet.lock" (mode 0600; it stays there, empty, and is never
// followed when it is a link), so that nobody else who may open the folder can take the claim
// first. It ends with this object or with the process, however the process ends, and a program it
// starts does not inherit it.
class TInstanceLock {
public:
    explicit TInstanceLock(const std::string& folder);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // False only when another program holds the folder. A folder that cannot be locked at all (one
    // that does not exist or takes no file, a file system without locks, a lock file that is a
    // link or someone else's) counts as held: the program then runs as it would without the lock,
    // rather than not at all.
    bool Held() const { return !TakenByAnother; }

    // The lock file of the folder (which ends with "/").
    static std::string FilePath(const std::string& folder);

private:
    int Descriptor = -1;
    bool TakenByAnother = false;
};

} // namespace corvalet
