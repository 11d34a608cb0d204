#include "ui/KeychainSecretStore.h"

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

} // namespace

std::string TKeychainSecretStore::Read(const std::string& host, const std::string& user, std::string& error) {
    error.clear();
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(KeyOf(host, user));
    RunToEnd(job);
    if (job.error() == QKeychain::EntryNotFound)
        return {};
    if (job.error() != QKeychain::NoError) {
        error = job.errorString().toStdString();
        return {};
    }
    return job.textData().toStdString();
}

bool TKeychainSecretStore::Write(const std::string& host, const std::string& user, const std::string& password,
                                 std::string& error) {
    error.clear();
    QKeychain::WritePasswordJob job(Service);
    job.setKey(KeyOf(host, user));
    job.setTextData(QString::fromStdString(password));
    RunToEnd(job);
    if (job.error() != QKeychain::NoError) {
        error = job.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace corvalet
