#pragma once

// A print server that accepts connections but never answers: a Unix socket
// that listens and is never read. The kernel completes connections into the
// backlog, so clients connect and then wait for a reply that never comes.

#include <QString>
#include <QTemporaryDir>

#include <cstring>
#include <vector>
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
    // closed, still unanswered). All are counted before any is closed: a
    // client that sees its connection closed may connect again at once, and
    // that would be counted as one more of its own.
    int TakeConnections()
    {
        fcntl(FFd, F_SETFL, fcntl(FFd, F_GETFL) | O_NONBLOCK);
        std::vector<int> taken;
        for (int c; (c = accept(FFd, nullptr, nullptr)) >= 0;)
            taken.push_back(c);
        for (int c : taken)
            close(c);
        return int(taken.size());
    }

private:
    QTemporaryDir FDir;
    QString FPath;
    int FFd = -1;
};
