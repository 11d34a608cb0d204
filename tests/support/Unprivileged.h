#pragma once

#include <filesystem>
#include <functional>

namespace corvalet::test {

// Runs `body` in a child process with an ordinary user's rights, so that the cases of files the
// user may not read or write test the same thing when the tests run as the superuser (as CI does),
// who may read and write anything. As the superuser the child becomes "nobody", and `folder` with
// everything in it is handed to that user first; as an ordinary user the child keeps the user.
// Failed expectations in `body` are reported by the child and fail the calling test.
void RunUnprivileged(const std::filesystem::path& folder, const std::function<void()>& body);

} // namespace corvalet::test
