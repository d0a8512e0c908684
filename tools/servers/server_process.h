#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The home of a database server started by a test: a temporary folder that
// belongs to the user the server runs as, and the server's process.
//
// Servers refuse to run as root, and CI runs the tests as root: there the
// programs run as "nobody" (through setpriv). The server is told to die with
// the test program, so a test that crashes or is killed leaves no server
// running; the destructor stops it in the ordinary case.
class ServerProcess {
public:
    ServerProcess();
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    QString folder() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    // Runs a setup program as the server's user and waits for it; throws
    // std::runtime_error with its output when it fails.
    void runSetup(const QString& program, const QStringList& arguments) const;
    // Starts the server in the background, its output into server.log.
    void start(const QString& program, const QStringList& arguments);
    // Waits until `ready` answers true; throws with the server's log after `seconds`.
    void waitUntil(const std::function<bool()>& ready, int seconds = 60);
    // Stops the server with the signal that asks it for a fast, clean end.
    void stop(int signal);
    // Sends a signal to the server and to every process it started, such
    // as SIGSTOP and SIGCONT for a server that stops answering and resumes.
    void signalAll(int signal) const;

private:
    QStringList asServerUser(const QString& program, const QStringList& arguments) const;
    QString log() const;

    QTemporaryDir dir_;
    QProcess server_;
};

// Runs a client program (psql, mariadb) and answers its standard output;
// throws std::runtime_error with its error output when it fails.
QString RunClient(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
