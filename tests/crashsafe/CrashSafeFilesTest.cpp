// Kills (SIGKILL) a writer of each kind of file at random moments, hundreds
// of times, and proves after every kill that each file on disk is whole: the
// old content or the new one, never missing, mixed or cut short, with no
// temporary beside it that the program would take for data; and that an
// appended log holds every row reported flushed before the kill, whole, and
// loses the row the kill cut short when it is next appended to.
#include "FileChecks.h"
#include "FileKinds.h"

#include "measure/MeasurementLog.h"
#include "waveforms/LibraryBatch.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <random>
#include <thread>

namespace ostrel::crashsafe {
// Failures name the kind, not its bytes.
void PrintTo(const FileKind& kind, std::ostream* out) {
    *out << kind.name.toStdString();
}
} // namespace ostrel::crashsafe

using namespace ostrel::crashsafe;

namespace {

constexpr int kKills = 200;
constexpr int kLineTimeoutMs = 10000;

// The writer child: one process per kind, forking a writer per kill.
class WriterChild {
public:
    ~WriterChild() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) process_.kill();
    }

    bool start(const QString& kind, const QString& folder, const QString& expected) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(OSTREL_CRASHSAFE_WRITER), {kind, folder, expected});
        return process_.waitForStarted(kLineTimeoutMs);
    }
    void send(const QString& line) { process_.write((line + QLatin1Char('\n')).toUtf8()); }
    // The next line, or "" when none came in time.
    QString line() {
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(kLineTimeoutMs)) return {};
        return QString::fromUtf8(process_.readLine()).trimmed();
    }

private:
    QProcess process_;
};

// What one writer said before it was killed.
struct WriterLines {
    QStringList lines;
    QString ended;
    bool killedInsideWrite() const { return !lines.isEmpty() && lines.back().startsWith("begin"); }
    int lastDone() const {
        for (qsizetype i = lines.size() - 1; i >= 0; --i)
            if (lines[i].startsWith("done ")) return lines[i].mid(5).toInt();
        return 0;
    }
};

// Lines up to "ended ..."; a writer that failed says so in them.
WriterLines readUntilEnded(WriterChild& child) {
    WriterLines w;
    for (QString l = child.line(); !l.isEmpty(); l = child.line()) {
        if (l.startsWith("ended")) {
            w.ended = l;
            break;
        }
        w.lines << l;
    }
    return w;
}

// What a kill may leave beside the files: the temporary a write was filling,
// named as QSaveFile names it (the file's name, a dot, six random letters).
// It ends in none of the program's file extensions, so no reader, file
// dialog filter or folder scan takes it for data.
bool IsWriteTemporary(const QString& entry, const QStringList& files) {
    static const QRegularExpression random(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    for (const QString& f : files)
        if (entry.startsWith(f) && random.match(entry.mid(f.size())).hasMatch()) return true;
    return false;
}

struct FolderEntries {
    QStringList temporaries;
    QStringList stray; // neither one of the files nor a write's temporary
};

FolderEntries ListFolder(const QDir& folder, const QStringList& files) {
    FolderEntries e;
    for (const QString& name :
         folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (files.contains(name)) continue;
        (IsWriteTemporary(name, files) ? e.temporaries : e.stray) << name;
    }
    return e;
}

// Whether the writer has a file of the folder open (on Linux): the kill then
// lands inside the file write itself, not in the work before or after it.
bool HoldsFileOf(const QString& pid, const QDir& folder) {
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    const QByteArray prefix = QFile::encodeName(folder.canonicalPath()) + '/';
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const ssize_t n = ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof target);
        if (n > 0 && QByteArray(target, n).startsWith(prefix)) return true;
    }
    return false;
}

std::string kindName(const testing::TestParamInfo<FileKind>& info) {
    return QString(info.param.name).replace('-', '_').toStdString();
}

class CrashSafeFiles : public testing::TestWithParam<FileKind> {};

TEST_P(CrashSafeFiles, EveryKillLeavesTheOldOrTheNewFileWhole) {
    const FileKind& kind = GetParam();
    const bool log = kind.checks.front() == Check::LogRows;
    QTemporaryDir root;
    const QDir folder(root.filePath("files"));
    const QString expected = root.filePath("expected");
    ASSERT_TRUE(folder.mkpath(".") && QDir().mkpath(expected));

    WriterChild child;
    ASSERT_TRUE(child.start(kind.name, folder.path(), expected));
    const QString ready = child.line();
    ASSERT_TRUE(ready.startsWith("ready ")) << ready.toStdString();
    // A kill lands anywhere in one round of A and B (a log: twenty rows).
    const qint64 roundUs = std::max<qint64>(ready.mid(6).toLongLong(), 200);

    std::vector<ExpectedFile> files(size_t(kind.files.size()));
    LogCheck logCheck;
    QString error;
    for (qsizetype f = 0; f < kind.files.size() && !log; ++f)
        ASSERT_TRUE(LoadExpected(kind.checks[size_t(f)], QDir(expected).filePath("A/" + kind.files[f]),
                                 QDir(expected).filePath("B/" + kind.files[f]), files[size_t(f)],
                                 error))
            << error.toStdString();
    if (log) {
        QFile started(folder.filePath(kLogFile));
        ASSERT_TRUE(started.open(QIODevice::ReadOnly));
        ASSERT_TRUE(logCheck.start(started.readAll(), error)) << error.toStdString();
    }

    std::mt19937 random(std::hash<std::string>{}(kind.name.toStdString()) ^ 18u);
    std::uniform_int_distribution<qint64> delayUs(0, roundUs);
    int insideWrite = 0;     // between the writer's "begin" and "done"
    int holdingFile = 0;     // with a file of the folder open
    int leftTemporary = 0;   // between naming the finished temporary and renaming it
    qsizetype temporaries = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        child.send(QStringLiteral("go %1").arg(kill));
        const QString pid = child.line();
        ASSERT_TRUE(pid.startsWith("pid ")) << pid.toStdString();
        const qint64 delay = delayUs(random);
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
        holdingFile += HoldsFileOf(pid.mid(4), folder) ? 1 : 0;
        ASSERT_EQ(::kill(pid.mid(4).toInt(), SIGKILL), 0);
        const WriterLines w = readUntilEnded(child);
        ASSERT_EQ(w.ended, "ended signal 9") << w.lines.join(" | ").toStdString();
        insideWrite += w.killedInsideWrite() ? 1 : 0;
        const std::string when = QStringLiteral("kill %1 after %2 us, the writer's last line \"%3\"")
                                     .arg(kill)
                                     .arg(delay)
                                     .arg(w.lines.value(w.lines.size() - 1))
                                     .toStdString();

        const FolderEntries entries = ListFolder(folder, kind.files);
        ASSERT_TRUE(entries.stray.isEmpty())
            << when << ": left behind " << entries.stray.join(", ").toStdString();
        if (entries.temporaries.size() > temporaries) ++leftTemporary;
        temporaries = entries.temporaries.size();
        if (log) {
            QFile file(folder.filePath(kLogFile));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << when;
            ASSERT_TRUE(logCheck.afterKill(file.readAll(), kill, w.lastDone(), error))
                << when << ": " << error.toStdString();
            continue;
        }
        for (qsizetype f = 0; f < kind.files.size(); ++f) {
            QString why;
            ASSERT_GE(WhichContent(files[size_t(f)], folder.filePath(kind.files[f]), why), 0)
                << when << ": " << kind.files[f].toStdString() << " is " << why.toStdString();
        }
    }
    // Proof that the kills hit the writes, not only the pauses between them.
    std::cout << kind.name.toStdString() << ": " << kKills << " kills, " << insideWrite
              << " inside a write, " << holdingFile << " with the file open, "
              << (log ? QStringLiteral("%1 tore the row in hand").arg(logCheck.tornRows())
                      : QStringLiteral("%1 left its temporary").arg(leftTemporary))
                     .toStdString()
              << "; one round " << roundUs << " us\n";
    if (log) {
        // The last kill's torn row, if any, goes with the next append too.
        ostrel::LogFile next;
        ASSERT_TRUE(ostrel::BeginLog(next, folder.filePath(kLogFile), true, QDateTime::currentDateTime(),
                                     LogComment(), LogHeaderText(), error));
        next.close();
        QFile file(folder.filePath(kLogFile));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), logCheck.whole());
    }
    EXPECT_GE(insideWrite, kKills / 4);
    // The one scan of a folder for data files passes over what the kills left.
    if (kind.files == QStringList{"wave.abw"}) {
        EXPECT_EQ(ostrel::LibraryFiles(folder.path()), QStringList{folder.absoluteFilePath("wave.abw")});
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, CrashSafeFiles, testing::ValuesIn(FileKinds()), kindName);

} // namespace
