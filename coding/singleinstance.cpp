#include "coding/singleinstance.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace coding::instance {

namespace {
const QByteArray kRaise = QByteArrayLiteral("premier-plan\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");
} // namespace

QString serverName(const QString &databasePath)
{
    QString canonical = QFileInfo(databasePath).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QFileInfo(databasePath).absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return QStringLiteral("telmira-codage-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

bool raiseRunning(const QString &databasePath)
{
    QLocalSocket socket;
    socket.connectToServer(serverName(databasePath));
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(kRaise);
    if (!socket.waitForBytesWritten(1000))
        return false;
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(1000))
        answer += socket.readAll();
    return answer == kDone;
}

void listen(const QString &databasePath, QObject *owner, std::function<void()> raise)
{
    auto *server = new QLocalServer(owner);
    server->setObjectName(QStringLiteral("instance_unique"));
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = serverName(databasePath);
    if (!server->listen(name)) {
        // Left behind by a program that ended without closing it.
        QLocalServer::removeServer(name);
        if (!server->listen(name))
            return; // a second window is then possible, nothing worse
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server, raise] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, raise] {
                if (!socket->canReadLine())
                    return;
                if (socket->readLine() == kRaise) {
                    raise();
                    socket->write(kDone);
                    socket->flush();
                }
                socket->disconnectFromServer();
            });
        }
    });
}

} // namespace coding::instance
