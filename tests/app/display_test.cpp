// The program itself, started where an administrator starts it: with a
// display that is gone, with one this user may not use, and on a real X
// server (Xvfb) started by the test.
#include "servers/server_process.h"
#include "support/test_installation.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kTerminal = QStringLiteral("Da un terminale usare trasferisci-codici --profilo NOME.");

// The environment of a desktop session on `display`, with no other platform in sight.
QProcessEnvironment SessionOn(const QString& display, const QString& authority)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("XDG_SESSION_TYPE"));
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("XAUTHORITY"), authority);
    return environment;
}

struct Ending {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::CrashExit;
    int code = -1;
    QString errors;
};

Ending RunWindowProgram(const QProcessEnvironment& environment)
{
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(AGGIORNA_ABICAB), {});
    Ending ending;
    ending.finished = program.waitForFinished(30000);
    if (!ending.finished) {
        program.kill();
        program.waitForFinished();
    }
    ending.status = program.exitStatus();
    ending.code = program.exitCode();
    ending.errors = QString::fromLocal8Bit(program.readAllStandardError());
    return ending;
}

void ExpectToldInItalian(const Ending& ending, const QString& display)
{
    ASSERT_TRUE(ending.finished);
    EXPECT_EQ(ending.status, QProcess::NormalExit) << ending.errors.toStdString();
    EXPECT_EQ(ending.code, 1) << ending.errors.toStdString();
    EXPECT_TRUE(
        ending.errors.startsWith(QStringLiteral("aggiorna-abicab: nessuno schermo disponibile (lo schermo DISPLAY=")
                                 + display + QStringLiteral(" non è raggiungibile")))
        << ending.errors.toStdString();
    EXPECT_TRUE(ending.errors.trimmed().endsWith(kTerminal)) << ending.errors.toStdString();
}

// An X server of the test's own that admits only the holders of its cookie.
class XServer {
public:
    XServer() : cookie_(QString::number(QRandomGenerator::global()->generate64(), 16).rightJustified(32, u'0'))
    {
        // The server takes every cookie of its file, whatever display it names.
        server_.runSetup(QStringLiteral("xauth"),
                         {QStringLiteral("-f"), QStringLiteral("server.auth"), QStringLiteral("add"),
                          QStringLiteral(":0"), QStringLiteral("."), cookie_});
        server_.start(
            QStringLiteral("Xvfb"),
            {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-auth"),
             server_.filePath(QStringLiteral("server.auth")), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
             QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("640x480x24")});
        // It names the display it chose on its standard output, a number alone on a line.
        const QRegularExpression number(QStringLiteral("^(\\d+)$"), QRegularExpression::MultilineOption);
        server_.waitUntil(
            [&] {
                QFile log(server_.filePath(QStringLiteral("server.log")));
                if (!log.open(QIODevice::ReadOnly))
                    return false;
                const QRegularExpressionMatch match = number.match(QString::fromLocal8Bit(log.readAll()));
                if (match.hasMatch())
                    display_ = QLatin1Char(':') + match.captured(1);
                return match.hasMatch();
            },
            30);
    }
    ~XServer() { server_.stop(SIGTERM); }

    const QString& display() const { return display_; }

    // An X authority file that holds the server's cookie.
    QString authority() const
    {
        const QString path = clientFolder_.filePath(QStringLiteral("client.auth"));
        RunClient(QStringLiteral("xauth"),
                  {QStringLiteral("-f"), path, QStringLiteral("add"), display_, QStringLiteral("."), cookie_});
        return path;
    }

private:
    QString cookie_;
    ServerProcess server_;
    QTemporaryDir clientFolder_;
    QString display_;
};

TEST(Display, AGoneDisplayIsToldInItalianWithTheTerminalCommandAndStatusOne)
{
    // A display number no server holds.
    int number = 200;
    while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
           || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
        ++number;
    const QString display = QStringLiteral(":%1").arg(number);
    const Ending ending = RunWindowProgram(SessionOn(display, QStringLiteral("/nonexistent")));
    ExpectToldInItalian(ending, display);
    EXPECT_FALSE(ending.errors.contains(QStringLiteral("could not connect"))) << ending.errors.toStdString();

    // Without any display the reason is the missing variable.
    QProcessEnvironment unset = SessionOn(QString(), QString());
    unset.remove(QStringLiteral("DISPLAY"));
    const Ending without = RunWindowProgram(unset);
    EXPECT_EQ(without.code, 1);
    EXPECT_EQ(without.errors,
              QStringLiteral("aggiorna-abicab: nessuno schermo disponibile (DISPLAY non impostato). ") + kTerminal
                  + QLatin1Char('\n'));
}

TEST(Display, ARealXServerRefusingThisUserIsToldTheSameAndOneAdmittingItShowsTheWindow)
{
    TestInstallation installation;
    XServer x;

    // As under sudo: the display is there, its cookie is not.
    ExpectToldInItalian(RunWindowProgram(SessionOn(x.display(), QStringLiteral("/nonexistent"))), x.display());

    const QProcessEnvironment session = SessionOn(x.display(), x.authority());
    QProcess program;
    program.setProcessEnvironment(session);
    program.start(QStringLiteral(AGGIORNA_ABICAB), {});
    ASSERT_TRUE(program.waitForStarted());
    QProcess search;
    search.setProcessEnvironment(session);
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"),
                  QStringLiteral("^Corvanta - Aggiornamento codici ABI/CAB$")});
    if (!search.waitForFinished(30000))
        search.kill();
    EXPECT_FALSE(search.readAllStandardOutput().trimmed().isEmpty()) << "the window did not appear";
    EXPECT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();
    program.terminate();
    program.waitForFinished();
    EXPECT_FALSE(program.readAllStandardError().contains("nessuno schermo"));
}

}  // namespace
