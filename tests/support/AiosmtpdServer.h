#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "support/TempDir.h"

namespace corvalet::test {

// A real SMTP server (aiosmtpd, run with /usr/bin/python3) on 127.0.0.1 at a system-chosen port,
// storing every delivery in a temporary folder. The server ends with this object, and on its own
// when the test process ends.
class TAiosmtpdServer {
public:
    TAiosmtpdServer();
    // With further arguments of aiosmtpd_store.py: "--security starttls", "--login USER PASSWORD",
    // "--pipelining always" (or after-tls, before-tls).
    explicit TAiosmtpdServer(const std::vector<std::string>& options);
    ~TAiosmtpdServer();
    TAiosmtpdServer(const TAiosmtpdServer&) = delete;
    TAiosmtpdServer& operator=(const TAiosmtpdServer&) = delete;

    int Port() const { return ListenPort; }
    // Waits until delivery `number` (from 1) has been stored.
    bool WaitForDelivery(int number, int timeoutMs = 5000) const;
    std::string MessagePath(int number) const;
    // The envelope sender, then every recipient.
    std::vector<std::string> Envelope(int number) const;
    // The certificate of the authority that issued the server's (with --security).
    std::string AuthorityFile() const;
    // Every command line the server received, as it logged them.
    std::string CommandLog() const;
    // For each MAIL FROM: "grouped" when further commands had arrived with it, else "alone".
    std::string MailFromLog() const;

private:
    void Stop();

    TTempDir Folder;
    pid_t Child = -1;
    int Input = -1;
    int ListenPort = 0;
};

} // namespace corvalet::test
