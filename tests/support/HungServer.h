#pragma once

// A print server that accepts connections but never answers: a Unix socket
// that listens and is never read. The kernel completes connections into the
// backlog, so clients connect and then wait for a reply that never comes.

#include <QString>
#include <QTemporaryDir>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class THungServer {
public:
    THungServer()
    {
        FPath = FDir.filePath(QStringLiteral("hung.sock"));
        FFd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = FPath.toLocal8Bit();
        std::strncpy(addr.sun_path, p.constData(), sizeof(addr.sun_path) - 1);
        if (FFd < 0 || bind(FFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(FFd, 64) != 0) {
            if (FFd >= 0)
                close(FFd);
            FFd = -1;
        }
    }
    ~THungServer()
    {
        if (FFd >= 0)
            close(FFd);
    }
    THungServer(const THungServer&) = delete;
    THungServer& operator=(const THungServer&) = delete;

    bool Ok() const { return FFd >= 0; }
    QString Path() const { return FPath; }

    // Connections made since the last call (taken off the backlog and
    // closed, still unanswered).
    int TakeConnections()
    {
        int n = 0;
        fcntl(FFd, F_SETFL, fcntl(FFd, F_GETFL) | O_NONBLOCK);
        for (int c; (c = accept(FFd, nullptr, nullptr)) >= 0; ++n)
            close(c);
        return n;
    }

private:
    QTemporaryDir FDir;
    QString FPath;
    int FFd = -1;
};
