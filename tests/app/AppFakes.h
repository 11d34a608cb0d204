#pragma once

#include "app/Dialogs.h"
#include "app/MailJob.h"
#include "app/PasswordSource.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvalet::test {

// Message boxes that record "Information: text" and "Error: text".
class TRecordingDialogs final : public TDialogs {
public:
    void ShowInformation(const std::string& text) override { Shown.push_back("Information: " + text); }
    void ShowError(const std::string& text) override { Shown.push_back("Error: " + text); }
    bool Confirm(const std::string&) override { return true; }
    std::vector<std::string> Shown;
};

// The mail job's window as a test sets it: the fields as they are to stand, its visibility, and
// the number of wait cursors shown and not yet restored.
class TFieldsWindow final : public TMailJobWindow {
public:
    TMailFields MailFields() const override { return Fields; }
    bool IsVisible() const override { return Visible; }
    void ShowWaitCursor() override { ++WaitCursors; }
    void RestoreCursor() override { --WaitCursors; }

    TMailFields Fields;
    bool Visible = false;
    int WaitCursors = 0;
};

// A mail client that records each call as a text ("Recipients 0 a@x", "Connect 30000", "Send"),
// refuses recipients texts that begin with "@" as the address parser does, and fails where told.
class TRecordingMailClient final : public TMailClient {
public:
    void ClearMessage() override { Calls.push_back("Clear"); }
    void SetRecipients(std::uint8_t distribution, const std::string& recipients) override {
        if (recipients.find('@') == 0)
            throw std::runtime_error("@ Outside address");
        Calls.push_back("Recipients " + std::to_string(distribution) + " " + recipients);
    }
    void SetSender(const std::string& name, const std::string& address) override {
        Calls.push_back("From " + name + " <" + address + ">");
    }
    void SetText(const std::vector<std::string>& lines, const std::string& contentType,
                 const std::string& contentTransfer) override {
        std::string joined;
        for (const std::string& line : lines)
            joined += line + "|";
        Calls.push_back("Text " + contentType + " " + contentTransfer + " " + joined);
    }
    void SetSubject(const std::string& subject) override { Calls.push_back("Subject " + subject); }
    void SetPriority(int priority) override { Calls.push_back("Priority " + std::to_string(priority)); }
    void AddAttachment(const std::string& path) override { Calls.push_back("Attachment " + path); }
    void SetHost(const std::string& host) override { Calls.push_back("Host " + host); }
    void SetPort(int port) override { Calls.push_back("Port " + std::to_string(port)); }
    void SetSecurity(int security, const std::string& trustFile) override {
        Calls.push_back("Security " + std::to_string(security) + (trustFile.empty() ? "" : " " + trustFile));
    }
    // "Login USER PASSWORD", or "No login".
    void SetLogin(const std::string& user, const std::string& password) override {
        Calls.push_back(user.empty() ? "No login" : "Login " + user + " " + password);
    }
    void SetAuthentication(int method) override { Authentication = method; }
    void Connect(int timeoutMs) override {
        Calls.push_back("Connect " + std::to_string(timeoutMs));
        Connected = true;
        if (!ConnectError.empty())
            throw std::runtime_error(ConnectError);
    }
    void SetMessageId(const std::string& id) override { MessageIds.push_back(id); }
    bool MessageEndSent() const override { return EndSent; }
    void Send() override {
        Calls.push_back("Send");
        if (DuringSend)
            DuringSend();
        if (!SendError.empty())
            throw std::runtime_error(SendError);
    }
    bool IsConnected() const override { return Connected; }
    void Disconnect() override {
        Calls.push_back("Disconnect");
        Connected = false;
        if (DisconnectFails)
            throw std::runtime_error("Socket Error # 10054\nConnection reset by peer.");
    }

    bool Called(const std::string& call) const {
        return std::find(Calls.begin(), Calls.end(), call) != Calls.end();
    }
    // The recipients texts of the mailings that reached "Send".
    std::vector<std::string> SentTo() const {
        std::vector<std::string> sent;
        std::string recipients;
        for (const std::string& call : Calls) {
            if (call.rfind("Recipients ", 0) == 0)
                recipients = call.substr(std::string("Recipients 0 ").size());
            else if (call == "Send")
                sent.push_back(recipients);
        }
        return sent;
    }

    std::vector<std::string> Calls;
    std::string ConnectError;
    std::string SendError;
    std::function<void()> DuringSend;
    bool Connected = false;
    bool DisconnectFails = false;
    // The Message-ID of each mailing, in order, and whether Send is to count as past the final ".".
    std::vector<std::string> MessageIds;
    bool EndSent = false;
    int Authentication = -1;
};

// A password source that gives one password, or refuses as a source without any does, and counts
// the questions.
class TFixedPasswordSource final : public TPasswordSource {
public:
    std::string Password(const std::string& host, const std::string& user) override {
        ++Asked;
        if (Kept.empty())
            throw EPasswordUnavailable("No password for " + user + " at " + host);
        return Kept;
    }
    std::string Token(const std::string& host, const std::string& user) override {
        return Password(host, user);
    }
    std::string Kept;
    int Asked = 0;
};

} // namespace corvalet::test
