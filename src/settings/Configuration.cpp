#include "settings/Configuration.h"

#include "platform/ProgramFolders.h"
#include "platform/TextFile.h"
#include "settings/IniFile.h"
#include "settings/TextValues.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <sys/stat.h>

namespace corvalet {

namespace {

const std::string General = "General";
const std::string Logging = "Logging";
const std::string Connection = "Connection";
const std::string Delivery = "Delivery";
const std::string Message = "Message";

std::string Numbered(const char* key, int number) {
    return key + std::to_string(number);
}

// The file as it stands, or an empty one when there is none. Nothing when a file is there but
// cannot be read: saving over it would lose whatever it holds.
std::optional<TIniFile> ReadIniFile(const std::string& path) {
    std::string bytes;
    if (ReadFileBytes(path, bytes))
        return TIniFile(bytes);
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0)
        return std::nullopt;
    return TIniFile();
}

// A connection key that is not in use is left out of a file that lacks it.
void WriteWhenUsed(TIniFile& ini, const std::string& key, const std::string& value, bool used) {
    if (used || ini.ReadValue(Connection, key))
        ini.WriteString(Connection, key, value);
}

// The number in a recipient key ("RecipientTime12" gives 12) written as the load asks for it:
// decimal, without sign or leading zeros. Nothing for any other key.
std::optional<int> RecipientKeyNumber(std::string_view key) {
    for (const std::string_view prefix :
         {"RecipientAddress", "RecipientTime", "RecipientEmailFreq", "RecipientDistrMeth"}) {
        if (key.size() <= prefix.size() || !EqualNoCase(key.substr(0, prefix.size()), prefix))
            continue;
        const std::string_view digits = key.substr(prefix.size());
        const std::optional<std::int32_t> number = ReadInteger(digits);
        if (number && *number >= 0 && std::to_string(*number) == digits)
            return *number;
    }
    return std::nullopt;
}

// How many recipients the file can hold: one more than the highest recipient number that has a
// key. A count beyond it can only be a damaged count, and rows past the last real one would load
// as empty recipients.
int RecipientsInFile(const TIniFile& ini) {
    int highest = -1;
    for (const std::string& key : ini.KeyNames(General))
        if (const std::optional<int> number = RecipientKeyNumber(key))
            highest = std::max(highest, *number);
    return highest + 1;
}

} // namespace

std::string ApplicationName() {
    return "Corvalet";
}

TConfiguration::TConfiguration(std::string programFolder, const TRegistry& registry)
    : ProgramFolder(std::move(programFolder)), LogFileName(ApplicationName() + ".log"), Registry(&registry) {
    ReadDefaultMailAccount();
}

void TConfiguration::ReadDefaultMailAccount() {
    SenderAddress.clear();
    SMTPHost = DefaultSMTPHost;
    PortNumber = 25;
    Security = SecurityNone;
    UserName.clear();
    Authentication = AuthenticationAutomatic;
    PasswordCommand.clear();
    TrustFile.clear();
    const auto manager = Registry->OpenKey(AccountManagerKey);
    if (!manager)
        return;
    const std::string account = manager->ReadString(DefaultMailAccountValue);
    if (account.empty())
        return;
    const auto details = Registry->OpenKey(std::string(AccountsKey) + "\\" + account);
    if (!details)
        return;
    SenderAddress = details->ReadString(SMTPEmailAddressValue);
    SMTPHost = details->ReadString(SMTPServerValue);
    PortNumber = ReadInteger(details->ReadString(SMTPPortValue)).value_or(PortNumber);
    Security = ReadInteger(details->ReadString(SMTPSecurityValue)).value_or(Security);
    UserName = details->ReadString(SMTPUserNameValue);
    Authentication = ReadInteger(details->ReadString(SMTPAuthenticationValue)).value_or(Authentication);
    PasswordCommand = details->ReadString(SMTPPasswordCommandValue);
    TrustFile = details->ReadString(SMTPTrustFileValue);
}

std::string TConfiguration::IniFilePath() const {
    const std::string path = ProgramFolder + ApplicationName() + ".ini";
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

void TConfiguration::LoadFromIni() {
    std::string bytes;
    const TIniFile ini = ReadFileBytes(IniFilePath(), bytes) ? TIniFile(bytes) : TIniFile();

    SenderName = ini.ReadString(General, "SenderName", "");
    SenderAddress = ini.ReadString(General, "SenderAddress", SenderAddress);
    ClearRecipients();
    // The count is bounded by the recipients the file holds, so that a damaged count neither adds
    // recipients for ever nor stops short of a real recipient at a high number.
    const std::int32_t count = std::min(ini.ReadInteger(General, "RecipientCount", 0), RecipientsInFile(ini));
    for (int n = 0; n < count; ++n) {
        const std::string frequency = ini.ReadString(General, Numbered("RecipientEmailFreq", n), "");
        const std::string distribution = ini.ReadString(General, Numbered("RecipientDistrMeth", n), "");
        const std::string time = ini.ReadString(General, Numbered("RecipientTime", n), "");
        const std::string address = ini.ReadString(General, Numbered("RecipientAddress", n), "");
        AddRecipient(address, time, frequency, distribution);
    }

    LogMechanism = static_cast<std::uint8_t>(ini.ReadInteger(Logging, "Mechanism", LogMechanism));
    LogFileName = ini.ReadString(Logging, "FileName", LogFileName);
    LogSizeIsLimited = ini.ReadBool(Logging, "SizeIsLimited", LogSizeIsLimited);
    LogSizeLimit = ini.ReadInteger(Logging, "LogSizeLimit", LogSizeLimit);

    SMTPHost = ini.ReadString(Connection, "SMTPHost", SMTPHost);
    PortNumber = ini.ReadInteger(Connection, "PortNumber", PortNumber);
    TimeOut = ini.ReadInteger(Connection, "TimeOut", TimeOut);
    // A value that does not read as a number is kept as an unknown one, not taken as "None".
    if (const std::optional<std::string> security = ini.ReadValue(Connection, "Security"))
        Security = corvalet::ReadInteger(*security, true).value_or(SecurityUnknown);
    UserName = ini.ReadString(Connection, "UserName", UserName);
    Authentication = ini.ReadInteger(Connection, "Authentication", Authentication);
    PasswordCommand = ini.ReadString(Connection, "PasswordCommand", PasswordCommand);
    TrustFile = ini.ReadString(Connection, "TrustFile", TrustFile);

    // Out of range (a hand edit): the nearest bound, so that a typo never mails a burst of old
    // mailings nor retries for weeks.
    CatchUpMinutes = std::clamp(ini.ReadInteger(Delivery, "CatchUpMinutes", DefaultCatchUpMinutes), 0,
                                MaximumCatchUpMinutes);
    RetryMinutes = std::clamp(ini.ReadInteger(Delivery, "RetryMinutes", DefaultRetryMinutes), 0,
                              MaximumRetryMinutes);

    BodyFileName = ini.ReadString(Message, "BodyFileName", "");
    Priority = static_cast<std::uint8_t>(ini.ReadInteger(Message, "Priority", 2));
    Subject = ini.ReadString(Message, "Subject", "");
    Attachment = ini.ReadString(Message, "Attachment", "");
    ContentType = static_cast<std::uint8_t>(ini.ReadInteger(Message, "ContentType", 0));
}

void TConfiguration::SaveToIni() {
    // A settings file that is a link is not written: whoever may add entries to the folder could
    // have planted it to have another file of this user's replaced (the save reports "Unable to
    // write to ..."). A new file is the user's alone.
    const std::string path = IniFilePath();
    std::optional<TIniFile> ini = ReadIniFile(path);
    if (!ini)
        throw EIniFileError("Unable to write to " + path);

    ini->WriteString(General, "SenderName", SenderName);
    ini->WriteString(General, "SenderAddress", SenderAddress);
    ini->WriteInteger(General, "RecipientCount", RecipientCount());
    for (int n = 0; n < RecipientCount(); ++n) {
        const TRecipient& recipient = *Recipients[static_cast<std::size_t>(n)];
        ini->WriteString(General, Numbered("RecipientAddress", n), recipient.Address);
        ini->WriteString(General, Numbered("RecipientTime", n), recipient.Info.Time);
        ini->WriteString(General, Numbered("RecipientEmailFreq", n), recipient.Info.Frequency);
        ini->WriteString(General, Numbered("RecipientDistrMeth", n), recipient.Info.Distribution);
    }

    ini->WriteInteger(Logging, "Mechanism", LogMechanism);
    ini->WriteString(Logging, "FileName", LogFileName);
    ini->WriteBool(Logging, "SizeIsLimited", LogSizeIsLimited);
    ini->WriteInteger(Logging, "LogSizeLimit", LogSizeLimit);

    ini->WriteString(Connection, "SMTPHost", SMTPHost);
    ini->WriteInteger(Connection, "PortNumber", PortNumber);
    ini->WriteInteger(Connection, "TimeOut", TimeOut);
    // The keys of a protected connection and a login are written once they are used (or already
    // stand in the file), so that a user who never sets them keeps the file as it always was.
    // An unknown value was read from the file: its line stays as it stands.
    if (Security >= SecurityNone && Security <= SecurityTLS)
        WriteWhenUsed(*ini, "Security", std::to_string(Security), Security != SecurityNone);
    WriteWhenUsed(*ini, "UserName", UserName, !UserName.empty());
    WriteWhenUsed(*ini, "Authentication", std::to_string(Authentication), Authentication != AuthenticationAutomatic);
    WriteWhenUsed(*ini, "PasswordCommand", PasswordCommand, !PasswordCommand.empty());
    WriteWhenUsed(*ini, "TrustFile", TrustFile, !TrustFile.empty());

    // Written once changed from the default (or already in the file), like the connection's keys.
    if (CatchUpMinutes != DefaultCatchUpMinutes || ini->ReadValue(Delivery, "CatchUpMinutes"))
        ini->WriteInteger(Delivery, "CatchUpMinutes", CatchUpMinutes);
    if (RetryMinutes != DefaultRetryMinutes || ini->ReadValue(Delivery, "RetryMinutes"))
        ini->WriteInteger(Delivery, "RetryMinutes", RetryMinutes);

    ini->WriteString(Message, "BodyFileName", BodyFileName);
    ini->WriteInteger(Message, "Priority", Priority);
    ini->WriteString(Message, "Subject", Subject);
    ini->WriteString(Message, "Attachment", Attachment);
    ini->WriteInteger(Message, "ContentType", ContentType);

    if (!ReplaceFileAtomically(path, ini->Text()))
        throw EIniFileError("Unable to write to " + path);
}

void TConfiguration::AddRecipient(const std::string& address, const std::string& time,
                                  const std::string& frequency, const std::string& distribution) {
    const auto place =
        std::lower_bound(Recipients.begin(), Recipients.end(), address,
                         [](const std::unique_ptr<TRecipient>& recipient, const std::string& key) {
                             return CompareNoCase(recipient->Address, key) < 0;
                         });
    Recipients.insert(place, std::make_unique<TRecipient>(
                                 TRecipient{address, TRecipientInfo{time, frequency, distribution}}));
}

void TConfiguration::ClearRecipients() {
    Recipients.clear();
}

int TConfiguration::RecipientCount() const {
    return static_cast<int>(Recipients.size());
}

const TConfiguration::TRecipient* TConfiguration::RecipientAt(int index) const {
    if (index < 0 || index >= RecipientCount())
        return nullptr;
    return Recipients[static_cast<std::size_t>(index)].get();
}

std::string TConfiguration::RecipientAddress(int index) const {
    const TRecipient* recipient = RecipientAt(index);
    return recipient ? recipient->Address : std::string();
}

std::string TConfiguration::RecipientTime(int index) const {
    const TRecipient* recipient = RecipientAt(index);
    return recipient ? recipient->Info.Time : std::string();
}

std::string TConfiguration::RecipientFrequency(int index) const {
    const TRecipient* recipient = RecipientAt(index);
    return recipient ? recipient->Info.Frequency : std::string();
}

std::string TConfiguration::RecipientDistribution(int index) const {
    const TRecipient* recipient = RecipientAt(index);
    return recipient ? recipient->Info.Distribution : std::string();
}

TConfiguration& GetConfiguration() {
    static TConfiguration configuration(ProgramFolders().Settings, UserRegistry());
    return configuration;
}

} // namespace corvalet
