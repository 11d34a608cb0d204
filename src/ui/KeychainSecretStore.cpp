#include "ui/KeychainSecretStore.h"

#include "smtp/WipeSecret.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace corvalet {

namespace {

const QString Service = QStringLiteral("Corvalet");

QString KeyOf(const std::string& host, const std::string& user) {
    return QString::fromStdString(user + "@" + host);
}

// Runs the job to its end.
void RunToEnd(QKeychain::Job& job) {
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.setAutoDelete(false);
    job.start();
    loop.exec();
}

// Overwrites the bytes a job holds. The array shares them with the job, so the job's own copy is
// overwritten in place (writing through data() would make a copy of its own instead).
void WipeShared(const QByteArray& bytes) {
    if (!bytes.isEmpty())
        OPENSSL_cleanse(const_cast<char*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
}

// Reads the kept password's bytes (UTF-8, as Write keeps them). The caller wipes them.
QByteArray ReadKept(const std::string& host, const std::string& user, std::string& error,
                    QKeychain::ReadPasswordJob& job) {
    error.clear();
    job.setKey(KeyOf(host, user));
    RunToEnd(job);
    if (job.error() == QKeychain::EntryNotFound)
        return {};
    if (job.error() != QKeychain::NoError) {
        error = job.errorString().toStdString();
        return {};
    }
    return job.binaryData();
}

} // namespace

std::string TKeychainSecretStore::Read(const std::string& host, const std::string& user, std::string& error) {
    QKeychain::ReadPasswordJob job(Service);
    const QByteArray kept = ReadKept(host, user, error, job);
    std::string password(kept.constData(), static_cast<std::size_t>(kept.size()));
    WipeShared(kept);
    return password;
}

bool TKeychainSecretStore::Has(const std::string& host, const std::string& user, std::string& error) {
    QKeychain::ReadPasswordJob job(Service);
    const QByteArray kept = ReadKept(host, user, error, job);
    const bool has = !kept.isEmpty();
    WipeShared(kept);
    return has;
}

bool TKeychainSecretStore::Write(const std::string& host, const std::string& user, const std::string& password,
                                 std::string& error) {
    error.clear();
    QKeychain::WritePasswordJob job(Service);
    job.setKey(KeyOf(host, user));
    // The bytes as they are (UTF-8), without a wide-character copy on the way.
    const QByteArray bytes(password.data(), static_cast<qsizetype>(password.size()));
    job.setBinaryData(bytes);
    RunToEnd(job);
    WipeShared(bytes);
    if (job.error() != QKeychain::NoError) {
        error = job.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace corvalet
