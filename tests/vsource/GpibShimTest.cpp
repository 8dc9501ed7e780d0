// The GPIB shim loaded as the program loads a GPIB library, against the real source.
#include "VsourceFixture.h"

#include <QElapsedTimer>
#include <QLibrary>
#include <QProcess>
#include <QThread>

#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ostrel::test {
namespace {

using Addr4882_t = unsigned short;
constexpr int ERR = 0x8000, TIMO = 0x4000, END = 0x2000, CMPL = 0x0100, CIC = 0x0020;
constexpr int ENOL = 2, EARG = 4, EABO = 6;
constexpr Addr4882_t NOADDR = 0xFFFF;

struct GpibApi {
    void (*Send)(int, Addr4882_t, const void*, long, int) = nullptr;
    void (*Receive)(int, Addr4882_t, void*, long, int) = nullptr;
    int (*ibtmo)(int, int) = nullptr;
    void (*SendIFC)(int) = nullptr;
    void (*EnableRemote)(int, const Addr4882_t*) = nullptr;
    void (*EnableLocal)(int, const Addr4882_t*) = nullptr;
    void (*Trigger)(int, Addr4882_t) = nullptr;
    void (*DevClear)(int, Addr4882_t) = nullptr;
    int (*ibclr)(int) = nullptr;
    int (*ThreadIbsta)() = nullptr;
    int (*ThreadIberr)() = nullptr;
    long (*ThreadIbcntl)() = nullptr;
    int* ibsta = nullptr;
    int* iberr = nullptr;
    long* ibcntl = nullptr;
};

class VsourceGpibShimTest : public VsourceTest {
protected:
    void SetUp() override {
        library.setFileName(VirtualSourceProcess::gpibShimPath());
        ASSERT_TRUE(library.load()) << library.errorString().toStdString();
        bind(api.Send, "Send");
        bind(api.Receive, "Receive");
        bind(api.ibtmo, "ibtmo");
        bind(api.SendIFC, "SendIFC");
        bind(api.EnableRemote, "EnableRemote");
        bind(api.EnableLocal, "EnableLocal");
        bind(api.Trigger, "Trigger");
        bind(api.DevClear, "DevClear");
        bind(api.ibclr, "ibclr");
        bind(api.ThreadIbsta, "ThreadIbsta");
        bind(api.ThreadIberr, "ThreadIberr");
        bind(api.ThreadIbcntl, "ThreadIbcntl");
        bind(api.ibsta, "ibsta");
        bind(api.iberr, "iberr");
        bind(api.ibcntl, "ibcntl");
        startSource({QStringLiteral("--gpib")});
        ASSERT_FALSE(source.gpibSocket().isEmpty());
        qputenv("OSTREL_VSOURCE_GPIB", source.gpibSocket().toUtf8());
        ASSERT_EQ(api.ibtmo(0, 13) & ERR, 0);
    }
    void TearDown() override { qunsetenv("OSTREL_VSOURCE_GPIB"); }

    template <class T> void bind(T& out, const char* name) {
        out = reinterpret_cast<T>(library.resolve(name));
        ASSERT_NE(out, nullptr) << name;
    }

    void write(const QByteArray& command) {
        api.Send(0, 5, command.constData(), long(command.size()), 1);
    }

    QByteArray read(long count = 2048) {
        QByteArray buffer(int(count), ' ');
        api.Receive(0, 5, buffer.data(), count, 0x100);
        return buffer.left(int(*api.ibcntl));
    }

    QLibrary library;
    GpibApi api;
};

TEST_F(VsourceGpibShimTest, QueryAndReplyWithEndOnTheLastByte) {
    write("*idn? ");
    EXPECT_EQ(*api.ibsta & ERR, 0);
    EXPECT_NE(*api.ibsta & CMPL, 0);
    const QByteArray identity("KORVATH INSTRUMENTS,VK 751,KV00001,REV 2.34\n");
    EXPECT_EQ(read(), identity);
    EXPECT_NE(*api.ibsta & END, 0);
    EXPECT_EQ(api.ThreadIbsta(), *api.ibsta);
    EXPECT_EQ(api.ThreadIbcntl(), identity.size());

    // A short buffer takes the reply in parts; END comes with the last part only.
    write("freq?");
    EXPECT_EQ(read(2), QByteArray("60"));
    EXPECT_EQ(*api.ibsta & END, 0);
    EXPECT_EQ(read(), QByteArray(".0\n"));
    EXPECT_NE(*api.ibsta & END, 0);

    // The same instrument as on the socket.
    write("volt 42;:volt?");
    EXPECT_EQ(read(), QByteArray("42.0\n"));
    EXPECT_EQ(query("volt?"), QStringLiteral("42.0"));
}

// A definite-length block may hold line-feed bytes: it arrives whole, END on its last byte.
TEST_F(VsourceGpibShimTest, BinaryArrayBlockArrivesWhole) {
    write("outp 1;:volt 100;:meas:arr:mode bin;:init:seq3");
    write("fetch:arr:curr? ");
    const QByteArray block = read(20000);
    ASSERT_TRUE(block.startsWith("#516384")) << block.left(8).toStdString();
    EXPECT_EQ(block.size(), 7 + 16384 + 1);
    EXPECT_TRUE(block.endsWith('\n'));
    EXPECT_NE(*api.ibsta & END, 0);
}

TEST_F(VsourceGpibShimTest, NoReplyTimesOutWithTheLibraryStatus) {
    ASSERT_TRUE(source.control(QStringLiteral("fault noreply")));
    EXPECT_EQ(api.ibtmo(0, 10) & ERR, 0); // 300 ms
    write("*idn?");
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(read().isEmpty());
    EXPECT_GE(timer.elapsed(), 280);
    EXPECT_EQ(*api.ibsta & (ERR | TIMO), ERR | TIMO);
    EXPECT_EQ(*api.iberr, EABO);
    EXPECT_EQ(api.ThreadIberr(), EABO);
    write("*idn?");
    EXPECT_TRUE(read().startsWith("KORVATH"));
}

TEST_F(VsourceGpibShimTest, GroupTriggerAndRemoteLinesReachTheInstrument) {
    write("list:dwell 0.05;:list:volt 3;:volt:mode list;:trig:tran:sour bus;:init");
    write("trig:stat?");
    EXPECT_EQ(read(), QByteArray("BUSY\n"));
    api.Trigger(0, 5);
    EXPECT_EQ(*api.ibsta & ERR, 0);
    QThread::msleep(150);
    write("trig:stat?");
    EXPECT_EQ(read(), QByteArray("IDLE\n"));
    EXPECT_EQ(eventsOf(timeline(), QStringLiteral("point")).size(), 1u);

    const Addr4882_t addresses[] = {5, NOADDR};
    QStringList lines;
    api.EnableRemote(0, addresses);
    write("*opc?"); // the control port is another connection: let the bus line arrive first
    read();
    ASSERT_TRUE(source.control(QStringLiteral("remote?"), &lines));
    EXPECT_EQ(lines, QStringList{QStringLiteral("REMOTE")});
    api.EnableLocal(0, addresses);
    write("*opc?");
    read();
    ASSERT_TRUE(source.control(QStringLiteral("remote?"), &lines));
    EXPECT_EQ(lines, QStringList{QStringLiteral("LOCAL")});
}

// A program clears the device after a read timed out, so that the late reply can never be
// taken for the answer to its next query.
TEST_F(VsourceGpibShimTest, DeviceClearDropsEveryReplyFromBeforeIt) {
    const std::pair<const char*, std::function<int()>> clears[] = {
        {"DevClear",
         [this] {
             api.DevClear(0, 5);
             return *api.ibsta;
         }},
        {"ibclr", [this] { return api.ibclr(0); }},
    };
    for (const auto& [name, clear] : clears) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(source.control(QStringLiteral("fault late 400 1")));
        api.ibtmo(0, 9); // 100 ms, long before the late reply is due
        write("*idn?");
        EXPECT_TRUE(read().isEmpty());
        EXPECT_EQ(*api.ibsta & (ERR | TIMO), ERR | TIMO);
        EXPECT_EQ(clear(), CMPL | CIC);
        api.ibtmo(0, 12);
        write("freq?");
        EXPECT_EQ(read(), QByteArray("60.0\n"));
        QThread::msleep(500); // past the time the late reply was due
        api.ibtmo(0, 9);
        EXPECT_TRUE(read().isEmpty());
        EXPECT_EQ(*api.ibsta & TIMO, TIMO);

        // A reply partly read, one on its way and a line without its end are all dropped.
        api.ibtmo(0, 12);
        write("*idn?");
        EXPECT_EQ(read(2), QByteArray("KO"));
        write("*idn?");
        api.Send(0, 5, "volt 7", 6, 0);
        EXPECT_EQ(clear(), CMPL | CIC);
        write("volt?");
        EXPECT_EQ(read(), QByteArray("0.0\n"));
    }
    EXPECT_EQ(source.logTail(100).filter(QStringLiteral(" GPIB < DCL")).size(), 4);
}

TEST_F(VsourceGpibShimTest, SocketPathIsTakenOnlyWhenNobodyServesIt) {
    QProcess second;
    second.start(VirtualSourceProcess::programPath(),
                 {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--gpib"),
                  source.gpibSocket(), QStringLiteral("--exit-with-stdin")});
    ASSERT_TRUE(second.waitForStarted());
    second.closeWriteChannel();
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains(source.gpibSocket().toUtf8()));
    // A new connection still reaches the first source: the shim lets go of the old one while
    // the variable is unset and connects again once it is back.
    qunsetenv("OSTREL_VSOURCE_GPIB");
    write("*idn?");
    qputenv("OSTREL_VSOURCE_GPIB", source.gpibSocket().toUtf8());
    write("*idn?");
    EXPECT_TRUE(read().startsWith("KORVATH"));

    // The file of a socket whose source died is taken over.
    const QByteArray stale = dir.filePath(QStringLiteral("stale.gpib")).toUtf8();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(stale.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, stale.constData(), size_t(stale.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    VirtualSourceProcess other;
    ASSERT_TRUE(other.start({QStringLiteral("--gpib"), QString::fromUtf8(stale)}))
        << other.errorString().toStdString();
    EXPECT_EQ(other.gpibSocket(), QString::fromUtf8(stale));
}

TEST_F(VsourceGpibShimTest, ArgumentAndListenerErrors) {
    EXPECT_NE(api.ibtmo(0, 18) & ERR, 0);
    EXPECT_EQ(*api.iberr, EARG);
    api.Send(0, 5, nullptr, 5, 1);
    EXPECT_EQ(*api.iberr, EARG);
    api.Send(-1, 5, "x", 1, 1);
    EXPECT_EQ(*api.iberr, EARG);
    api.DevClear(16, 5);
    EXPECT_EQ(*api.iberr, EARG);
    EXPECT_NE(api.ibclr(-1) & ERR, 0);
    EXPECT_EQ(*api.iberr, EARG);

    // With no virtual source behind the socket, nobody listens.
    source.stop();
    api.DevClear(0, 5);
    EXPECT_NE(*api.ibsta & ERR, 0);
    EXPECT_EQ(*api.iberr, ENOL);
    write("*idn?");
    EXPECT_NE(*api.ibsta & ERR, 0);
    EXPECT_EQ(*api.iberr, ENOL);
    qunsetenv("OSTREL_VSOURCE_GPIB");
    write("*idn?");
    EXPECT_EQ(*api.iberr, ENOL);
    EXPECT_NE(api.ibclr(0) & ERR, 0);
    EXPECT_EQ(*api.iberr, ENOL);
    api.SendIFC(0);
    EXPECT_EQ(*api.ibsta & ERR, 0);
}

} // namespace
} // namespace ostrel::test
