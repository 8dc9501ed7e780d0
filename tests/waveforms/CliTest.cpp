// ostrel-cli synth and download-abw against the virtual source over LAN.
#include "WaveformFixture.h"

#include "core/Program.h"
#include "waveforms/AbwFile.h"
#include "waveforms/HarmonicTableFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cmath>

using namespace ostrel;
using namespace ostrel::test;

namespace {

struct CliRun {
    int exit = -1;
    QJsonObject json;
    QString err;
};

std::vector<double> numbers(const QString& reply) {
    std::vector<double> v;
    for (const QString& f : reply.split(QLatin1Char(','), Qt::SkipEmptyParts))
        v.push_back(f.toDouble());
    return v;
}

class WaveformCli : public WaveformFixture {
protected:
    CliRun cli(const QStringList& args, bool lan = true) {
        QStringList all{QStringLiteral("--settings"), fixture.settingsPath()};
        if (lan)
            all << QStringLiteral("--bus") << QStringLiteral("lan") << QStringLiteral("--host")
                << source.host() << QStringLiteral("--port") << QString::number(source.port());
        QProcess p;
        p.start(QStringLiteral(OSTREL_CLI_PATH), all + args);
        EXPECT_TRUE(p.waitForFinished(60000));
        CliRun r;
        r.exit = p.exitCode();
        r.json = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    QString table(const QString& name, std::initializer_list<std::array<const char*, 3>> rows) {
        HarmonicTable t{};
        for (const auto& [h, amplitude, phase] : rows) {
            const int order = QString::fromLatin1(h).toInt();
            HarmonicRow& row = t[size_t((order - 1) / 2)];
            (order % 2 ? row.oddAmplitude : row.evenAmplitude) = QString::fromLatin1(amplitude);
            (order % 2 ? row.oddPhase : row.evenPhase) = QString::fromLatin1(phase);
        }
        const QString path = fixture.tempPath(name);
        QString error;
        EXPECT_TRUE(WriteHarmonicTableFile(path, t, QLatin1Char('.'), error));
        return path;
    }
};

TEST_F(WaveformCli, SynthWritesTheWaveformFileOffline) {
    const QString t = table(QStringLiteral("edge.hwv"), {{"1", "100", ""}, {"2", "20", "90"}});
    const QString out = fixture.tempPath(QStringLiteral("edge.abw"));
    const CliRun r = cli({QStringLiteral("synth"), t, QStringLiteral("--out"), out}, false);
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    for (const char* key : {"ok", "table", "name", "harmonics", "thd_percent", "raw_max", "raw_min",
                            "transfer_min", "transfer_max", "abw", "downloaded", "source_error"})
        EXPECT_TRUE(r.json.contains(QLatin1String(key))) << key;
    EXPECT_EQ(r.json[QStringLiteral("name")].toString(), QStringLiteral("EDGE"));
    EXPECT_EQ(r.json[QStringLiteral("harmonics")].toArray(),
              QJsonArray({QJsonArray({1, 100, 0}), QJsonArray({2, 20, 90})}));
    EXPECT_NEAR(r.json[QStringLiteral("thd_percent")].toDouble(), 20, 1e-9);
    EXPECT_NEAR(r.json[QStringLiteral("raw_max")].toDouble(), 0.8, 1e-9);
    EXPECT_NEAR(r.json[QStringLiteral("transfer_min")].toDouble(), -1.2, 1e-6);
    EXPECT_FALSE(r.json[QStringLiteral("downloaded")].toBool());
    QString error;
    const auto samples = ReadAbwFile(out, error);
    ASSERT_TRUE(samples) << error.toStdString();
    EXPECT_NEAR((*samples)[0], 0.4, 1e-6);
    EXPECT_NEAR((*samples)[768], -1.0, 1e-6);

    EXPECT_EQ(cli({QStringLiteral("synth")}, false).exit, 2);
    EXPECT_EQ(cli({QStringLiteral("synth"), t, QStringLiteral("--colour")}, false).exit, 2);
    const CliRun zero =
        cli({QStringLiteral("synth"), table(QStringLiteral("zero.hwv"), {{"1", "0", ""}})}, false);
    EXPECT_EQ(zero.exit, 3);
    EXPECT_FALSE(zero.json[QStringLiteral("ok")].toBool());
    EXPECT_TRUE(zero.err.contains(QStringLiteral("All harmonic amplitudes are zero.")))
        << zero.err.toStdString();
}

TEST_F(WaveformCli, SynthDownloadIsPlayedWithItsHarmonics) {
    ASSERT_TRUE(source.start());
    const QString t = table(QStringLiteral("played.hwv"),
                            {{"1", "100", ""}, {"3", "20", "180"}, {"5", "10", "30"}});
    const CliRun r = cli({QStringLiteral("synth"), t, QStringLiteral("--download"),
                          QStringLiteral("--name"), QStringLiteral("distorted_wave")});
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_TRUE(r.json[QStringLiteral("downloaded")].toBool());
    EXPECT_EQ(r.json[QStringLiteral("name")].toString(), QStringLiteral("DISTORTED_WA"));
    EXPECT_TRUE(r.json[QStringLiteral("source_error")].isNull());

    attach();
    program().link.Send(0, QStringLiteral("outp 1;:func distorted_wa;:volt 120;:freq 60"));
    const std::vector<double> a = numbers(query(QStringLiteral("meas:arr:volt:harm?")));
    ASSERT_EQ(a.size(), 51u);
    EXPECT_NEAR(a[3] / a[1], 0.2, 0.001);
    EXPECT_NEAR(a[5] / a[1], 0.1, 0.001);
    EXPECT_NEAR(query(QStringLiteral("meas:volt:harm:thd?")).toDouble(), 22.36, 0.05);
}

TEST_F(WaveformCli, SynthRefusalsAndFailuresHaveTheirExitStatus) {
    const QString t = table(QStringLiteral("plain.hwv"), {{"1", "100", ""}});
    const CliRun sim = cli({QStringLiteral("--bus"), QStringLiteral("sim"), QStringLiteral("synth"),
                            t, QStringLiteral("--download")},
                           false);
    EXPECT_EQ(sim.exit, 3);
    EXPECT_TRUE(sim.err.contains(
        QStringLiteral("Waveform transfer cancelled.\nNo Interface to AC Source available!")))
        << sim.err.toStdString();

    ASSERT_TRUE(source.start({QStringLiteral("--wave-slots"), QStringLiteral("0")}));
    const CliRun named = cli({QStringLiteral("synth"), t, QStringLiteral("--download"),
                              QStringLiteral("--name"), QStringLiteral("1abc")});
    EXPECT_EQ(named.exit, 3);
    EXPECT_TRUE(
        named.err.contains(QStringLiteral("First character of waveform name must be alpha")));
    const CliRun full = cli({QStringLiteral("synth"), t, QStringLiteral("--download")});
    EXPECT_EQ(full.exit, 5);
    EXPECT_FALSE(full.json[QStringLiteral("downloaded")].toBool());
    EXPECT_TRUE(full.err.contains(QStringLiteral("memory is full"))) << full.err.toStdString();
    attach();
    EXPECT_TRUE(received().filter(QStringLiteral("trac:data")).isEmpty());
    EXPECT_FALSE(received().filter(QStringLiteral("trac:def 1ABC")).size());

    source.stop();
    ASSERT_TRUE(source.start());
    ASSERT_TRUE(source.control(QStringLiteral("fault drop 12")));
    const CliRun dropped = cli({QStringLiteral("synth"), t, QStringLiteral("--download")});
    EXPECT_EQ(dropped.exit, 5) << dropped.err.toStdString();
    EXPECT_FALSE(dropped.json[QStringLiteral("downloaded")].toBool());
}

TEST_F(WaveformCli, DownloadAbwRunsTheLibraryBatch) {
    const QString folder = libraryFolder();
    ASSERT_TRUE(source.start());
    const CliRun r = cli({QStringLiteral("download-abw"), folder});
    EXPECT_EQ(r.exit, 5) << "Wide.abw is refused by the source";
    for (const char* key : {"ok", "downloaded", "failed", "stopped", "catalog"})
        EXPECT_TRUE(r.json.contains(QLatin1String(key))) << key;
    EXPECT_EQ(r.json[QStringLiteral("downloaded")].toArray().size(), 12);
    const QJsonArray failed = r.json[QStringLiteral("failed")].toArray();
    ASSERT_EQ(failed.size(), 3);
    EXPECT_EQ(failed[2].toObject()[QStringLiteral("name")].toString(), QStringLiteral("WIDE"));
    EXPECT_TRUE(failed[2].toObject()[QStringLiteral("reason")].toString().startsWith(
        QStringLiteral("-222,")));
    EXPECT_TRUE(r.json[QStringLiteral("stopped")].isNull());
    // WIDE was defined before its samples were refused.
    EXPECT_EQ(r.json[QStringLiteral("catalog")].toArray().size(), 13);

    const CliRun one = cli({QStringLiteral("download-abw"), QStringLiteral("--name"),
                            QStringLiteral("renamed"), folder + QStringLiteral("/Alpha.abw")});
    EXPECT_EQ(one.exit, 0) << one.err.toStdString();
    EXPECT_EQ(one.json[QStringLiteral("downloaded")]
                  .toArray()[0]
                  .toObject()[QStringLiteral("name")]
                  .toString(),
              QStringLiteral("RENAMED"));
    EXPECT_EQ(cli({QStringLiteral("download-abw"), folder + QStringLiteral("/2fast.abw")}).exit, 3);
    EXPECT_EQ(cli({QStringLiteral("download-abw")}).exit, 2);

    source.stop();
    ASSERT_TRUE(source.start({QStringLiteral("--wave-slots"), QStringLiteral("5")}));
    const CliRun full = cli({QStringLiteral("download-abw"), folder});
    EXPECT_EQ(full.exit, 5);
    EXPECT_EQ(full.json[QStringLiteral("stopped")].toString(), QStringLiteral("memory full"));
    EXPECT_EQ(full.json[QStringLiteral("downloaded")].toArray().size(), 5);
}

} // namespace
