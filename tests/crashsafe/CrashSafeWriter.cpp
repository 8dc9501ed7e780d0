// The writer child of the kill test: writes one kind of file again and again
// through the program's writers and says on standard output when each write
// begins and when it is complete.
//
//   crashsafe_writer KIND FOLDER EXPECTED
//
// It first writes A and B three times over, keeps a copy of each file as
// written in EXPECTED/A and EXPECTED/B, and prints "ready <microseconds of one
// A and B>" (a log: started with its header, the time of twenty rows).
// Then each "go <n>" line on standard input forks writer n, which prints
// "pid <pid>" and writes B, A, B, ... (n odd: A first) until it is killed;
// when it has ended this process prints "ended". A log writer appends rows
// "begin <row>" ... "done <row>" instead. Forking keeps the expensive set-up
// (the application, the fonts of the PDF) out of each of the many kills.
#include "FileKinds.h"

#include "measure/MeasurementLog.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <string>

using namespace ostrel;
using namespace ostrel::crashsafe;

namespace {

// One write(2) per line: unbuffered, so a forked writer repeats nothing and
// the test sees each line the moment it is true.
void say(const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    if (::write(STDOUT_FILENO, bytes.constData(), size_t(bytes.size())) != bytes.size()) _exit(2);
}

[[noreturn]] void failed(const QString& error) {
    say(QStringLiteral("failed ") + error);
    _exit(1);
}

// A writer that is never killed (the test died) stops by itself.
constexpr qint64 kLifetimeMs = 20000;

QString label(int which) {
    return which == 0 ? QStringLiteral("A") : QStringLiteral("B");
}

[[noreturn]] void writeFiles(const FileKind& kind, const QString& folder, int worker) {
    QElapsedTimer alive;
    alive.start();
    for (int which = worker % 2 == 1 ? 0 : 1; alive.elapsed() < kLifetimeMs; which ^= 1) {
        say(QStringLiteral("begin ") + label(which));
        QString error;
        if (!kind.write(which, folder, error)) failed(error);
        say(QStringLiteral("done ") + label(which));
    }
    _exit(3);
}

[[noreturn]] void appendRows(const QString& folder, int worker) {
    QElapsedTimer alive;
    alive.start();
    LogFile log;
    QString error;
    if (!BeginLog(log, QDir(folder).filePath(kLogFile), true, QDateTime::currentDateTime(),
                  LogComment(), LogHeaderText(), error))
        failed(error);
    for (int n = 1; alive.elapsed() < kLifetimeMs; ++n) {
        say(QStringLiteral("begin %1").arg(n));
        if (!log.writeLine(LogRowText(worker, n))) failed(QStringLiteral("row %1 not written").arg(n));
        say(QStringLiteral("done %1").arg(n));
    }
    _exit(3);
}

bool keepCopies(const FileKind& kind, const QString& folder, const QString& expected, int which) {
    const QDir into(QDir(expected).filePath(label(which)));
    if (!into.mkpath(".")) return false;
    for (const QString& name : kind.files) {
        QFile::remove(into.filePath(name));
        if (!QFile::copy(QDir(folder).filePath(name), into.filePath(name))) return false;
    }
    return true;
}

// A and B written three times over, copies kept; the time of one A and B.
qint64 prepareFiles(const FileKind& kind, const QString& folder, const QString& expected) {
    QString error;
    QElapsedTimer pair;
    for (int round = 0; round < 3; ++round) {
        pair.start();
        for (int which = 0; which < 2; ++which) {
            if (!kind.write(which, folder, error)) failed(error);
            if (round == 1 && !keepCopies(kind, folder, expected, which))
                failed(QStringLiteral("the copy of %1 cannot be kept").arg(label(which)));
        }
    }
    return pair.nsecsElapsed() / 1000;
}

// The log started with its first line and header; the time of twenty rows.
qint64 prepareLog(const QString& folder) {
    LogFile log;
    QString error;
    if (!BeginLog(log, QDir(folder).filePath(kLogFile), false, QDateTime::currentDateTime(),
                  LogComment(), LogHeaderText(), error))
        failed(error);
    log.close();
    const QString scratch = QDir(folder).filePath(QStringLiteral("scratch.csv"));
    if (!log.open(scratch, false, error)) failed(error);
    QElapsedTimer rows;
    rows.start();
    for (int n = 1; n <= 100; ++n)
        log.writeLine(LogRowText(0, n));
    const qint64 us = rows.nsecsElapsed() / 1000 / 5;
    log.close();
    QFile::remove(scratch);
    return us;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the PDF of the document report needs one
    const QStringList args = app.arguments();
    const FileKind* kind = args.size() == 4 ? FindFileKind(args[1]) : nullptr;
    if (!kind) {
        std::cerr << "usage: crashsafe_writer KIND FOLDER EXPECTED\n";
        return 2;
    }
    const QString folder = args[2];
    const bool log = kind->write == nullptr;
    const qint64 cycle = log ? prepareLog(folder) : prepareFiles(*kind, folder, args[3]);
    say(QStringLiteral("ready %1").arg(cycle));

    for (std::string line; std::getline(std::cin, line);) {
        const QStringList words = QString::fromStdString(line).split(' ');
        if (words.size() != 2 || words[0] != "go") failed(QStringLiteral("unknown command"));
        const int worker = words[1].toInt();
        const pid_t pid = fork();
        if (pid < 0) failed(QStringLiteral("fork failed"));
        if (pid == 0) {
            say(QStringLiteral("pid %1").arg(getpid()));
            if (log) appendRows(folder, worker);
            writeFiles(*kind, folder, worker);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        say(WIFSIGNALED(status) ? QStringLiteral("ended signal %1").arg(WTERMSIG(status))
                                : QStringLiteral("ended exit %1").arg(WEXITSTATUS(status)));
    }
    return 0;
}
