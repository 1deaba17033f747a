#include "app/SingleInstance.h"

#include "base/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace keywright::app {
namespace {

constexpr int kAnswerMs = 1000;
const QByteArray kShowRequest = QByteArrayLiteral("show\n");

} // namespace

SingleInstance::SingleInstance(platform::NamedLocks& locks, QString tag, QString name)
    : locks_(locks), tag_(std::move(tag)), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::ServerName(const QString& tag) {
    // The home folder stands for the user; hashed, so the name stays short
    // and free of separators.
    const QByteArray user =
        QCryptographicHash::hash(QDir::homePath().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("keywright-%1-%2")
        .arg(QString::fromLatin1(
            QCryptographicHash::hash(tag.toUtf8(), QCryptographicHash::Sha1).toHex().left(12)))
        .arg(QString::fromLatin1(user.left(12)));
}

bool SingleInstance::AskRunningInstance() const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kAnswerMs))
        return false;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kAnswerMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Claim(std::function<void()> onAsked) {
    platform::NamedLockGuard guard(locks_, tag_.toStdString());
    if (AskRunningInstance())
        return false;
    // Nobody answers: a socket file there is left from a process that died.
    QLocalServer::removeServer(name_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Still the first instance; a second start just will not find it.
        LogLine("system: cannot listen on " + name_.toStdString() + ": " +
                server_->errorString().toStdString() + "; a second start will open a window");
        return true;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
                     [this, onAsked = std::move(onAsked)] {
                         while (QLocalSocket* client = server_->nextPendingConnection()) {
                             QObject::connect(client, &QLocalSocket::disconnected, client,
                                              &QObject::deleteLater);
                             // Any connection is a request: the asker may be
                             // gone before its bytes are read.
                             onAsked();
                         }
                     });
    return true;
}

} // namespace keywright::app
