#include "config/Settings.h"

#include "config/SettingsStore.h"
#include "link/Numbers.h"

#include <cmath>

namespace ostrel {

namespace {

enum class Kept { Saved, NotSaved };

// Value kinds beyond plain integers, text and booleans.
struct Magnitude { float& v; };       // held negative, stored as written in memory
struct LocaleNumber { float& v; };    // written with the locale's decimal separator
struct RoundedNumber { int& v; };     // a number read to the nearest integer
struct PositiveFlag { bool& v; };     // an integer, on when above 0

// Calls f(section, key, kept, field) for every key of the store.
template <class S, class F>
void visitKeys(S& s, F&& f) {
    const auto I = QStringLiteral("Interface");
    f(I, "Bus", Kept::Saved, s.link.bus);
    f(I, "CommPort", Kept::Saved, s.link.commPort);
    f(I, "CommBaud", Kept::Saved, s.link.commBaud);
    f(I, "Handshake", Kept::Saved, s.link.handshake);
    f(I, "CmdDelay", Kept::Saved, s.link.cmdDelay);
    f(I, "GPIB_Board", Kept::Saved, s.link.gpibBoard);
    f(I, "ACSourceAddress", Kept::Saved, s.link.sourceAddress);
    f(I, "IPAdress", Kept::Saved, s.link.ipAddress);
    f(I, "SocketPort", Kept::Saved, s.link.socketPort);
    f(I, "ScopeAddress", Kept::Saved, s.link.scopeAddress);
    f(I, "MeterAddress", Kept::Saved, s.link.meterAddress);
    f(I, "VSlider_Delay", Kept::Saved, s.link.vSliderDelay);
    f(I, "ArbDownload_Delay", Kept::Saved, s.link.arbDownloadDelay);
    f(I, "PCSecond", Kept::NotSaved, s.link.pcSecond);

    const auto P = QStringLiteral("Protection");
    f(P, "Waveform", Kept::NotSaved, PositiveFlag{s.protection.waveform});
    f(P, "ArbRestriction", Kept::Saved, s.protection.arbRestriction);
    f(P, "Configuration", Kept::NotSaved, s.protection.configuration);

    const auto PS = QStringLiteral("PowerSource");
    f(PS, "Model_number", Kept::Saved, s.powerSource.modelNumber);
    f(PS, "Controller", Kept::Saved, s.powerSource.controller);
    f(PS, "Vanu_Option", Kept::Saved, s.powerSource.vanuOption);
    f(QStringLiteral("Scope"), "Model_number", Kept::Saved, s.scopeModel);

    const auto U = QStringLiteral("UserLimits");
    f(U, "FreqMax", Kept::Saved, s.userLimits.freqMax);
    f(U, "FreqMin", Kept::Saved, s.userLimits.freqMin);
    f(U, "VACHigh", Kept::Saved, s.userLimits.vacHigh);
    f(U, "VACLow", Kept::Saved, s.userLimits.vacLow);
    f(U, "VPDCHigh", Kept::Saved, s.userLimits.vpdcHigh);
    f(U, "VPDCLow", Kept::Saved, s.userLimits.vpdcLow);
    f(U, "VNDCHigh", Kept::Saved, Magnitude{s.userLimits.vndcHigh});
    f(U, "VNDCLow", Kept::Saved, Magnitude{s.userLimits.vndcLow});
    f(U, "AllowACMode", Kept::Saved, s.userLimits.allowACMode);
    f(U, "AllowDCMode", Kept::Saved, s.userLimits.allowDCMode);
    f(U, "AllowACDCMode", Kept::Saved, s.userLimits.allowACDCMode);

    const auto G = QStringLiteral("GraphSettings");
    for (int i = 0; i < 4; ++i)
        f(G, QStringLiteral("Color_%1").arg(i), Kept::Saved, s.graph.color[i]);
    for (int i = 0; i < 2; ++i) {
        f(G, QStringLiteral("YScale_%1").arg(i), Kept::Saved, s.graph.yScale[i]);
        f(G, QStringLiteral("YMaximum_%1").arg(i), Kept::Saved, s.graph.yMaximum[i]);
    }
    f(G, "Grid", Kept::Saved, s.graph.grid);
    f(G, "PrintMode", Kept::Saved, s.graph.printMode);

    const auto W = QStringLiteral("WaveSettings");
    f(W, "Volt_Color", Kept::Saved, s.wave.voltColor);
    f(W, "Current_Color", Kept::Saved, s.wave.currentColor);
    f(W, "Power_Color", Kept::Saved, s.wave.powerColor);
    f(W, "V_YScale", Kept::Saved, s.wave.vYScale);
    f(W, "C_YScale", Kept::Saved, s.wave.cYScale);
    f(W, "P_YScale", Kept::Saved, s.wave.pYScale);
    f(W, "V_YMaximum", Kept::Saved, s.wave.vYMaximum);
    f(W, "C_YMaximum", Kept::Saved, s.wave.cYMaximum);
    f(W, "P_YMaximum", Kept::Saved, s.wave.pYMaximum);
    f(W, "Grid", Kept::Saved, s.wave.grid);
    f(W, "PrintMode", Kept::Saved, s.wave.printMode);
    f(W, "BufferSize", Kept::Saved, s.wave.bufferSize);
    f(W, "BufferOffset", Kept::Saved, s.wave.bufferOffset);

    const auto WA = QStringLiteral("WaveAcquisition");
    f(WA, "Mode", Kept::Saved, s.waveAcquisition.mode);
    f(WA, "Offset", Kept::Saved, RoundedNumber{s.waveAcquisition.offset});
    f(WA, "Period", Kept::Saved, LocaleNumber{s.waveAcquisition.period});

    const auto UP = QStringLiteral("UserPreferences");
    f(UP, "ShowLineVoltage", Kept::Saved, s.preferences.showLineVoltage);
    f(UP, "ClassDPowerLow", Kept::NotSaved, s.preferences.classDPowerLow);
    f(UP, "ClassDPowerHigh", Kept::NotSaved, s.preferences.classDPowerHigh);
    f(UP, "CalSaveDirectory", Kept::Saved, s.preferences.calSaveDirectory);
    f(UP, "DisplayEntryErrors", Kept::Saved, s.preferences.displayEntryErrors);
    f(UP, "AutoRefreshMainScreen", Kept::Saved, s.preferences.autoRefreshMainScreen);
    f(UP, "ABD_Test_Rev", Kept::Saved, s.preferences.abdTestRev);
    f(UP, "ABD350_Test_Rev", Kept::Saved, s.preferences.abd350TestRev);
    f(UP, "MS704_Test_Rev", Kept::Saved, s.preferences.ms704TestRev);
    f(UP, "DO160_Test_Rev", Kept::Saved, s.preferences.do160TestRev);
    f(UP, "B787_Test_Rev", Kept::Saved, s.preferences.b787TestRev);
    f(UP, "AMD24_Test_Rev", Kept::Saved, s.preferences.amd24TestRev);

    f(QStringLiteral("DiskLibrary"), "DefaultDirectory", Kept::Saved, s.waveformLibrary);

    const auto R = QStringLiteral("ReportSettings");
    f(R, "Header0", Kept::Saved, s.report.header0);
    f(R, "Header1", Kept::Saved, s.report.header1);
    f(R, "ReportFormat", Kept::Saved, s.report.reportFormat);
    f(R, "FileNamePrompt", Kept::Saved, s.report.fileNamePrompt);
    f(R, "ReportFolder", Kept::Saved, s.report.reportFolder);

    const auto M = QStringLiteral("Measurements");
    f(M, "CycleInterval", Kept::Saved, s.measurements.cycleInterval);
    f(M, "MeasFile", Kept::Saved, s.measurements.measFile);
    f(M, "HarmLogInterval", Kept::Saved, s.measurements.harmLogInterval);
    f(M, "HarmFile", Kept::Saved, s.measurements.harmFile);
    f(M, "VoltAverage", Kept::Saved, s.measurements.voltAverage);
    f(M, "CurrentAverage", Kept::Saved, s.measurements.currentAverage);

    const auto Pos = QStringLiteral("Position");
    f(Pos, "Top", Kept::Saved, s.position.top);
    f(Pos, "Left", Kept::Saved, s.position.left);
    f(Pos, "Height", Kept::Saved, s.position.height);
    f(Pos, "Width", Kept::Saved, s.position.width);
}

QString number(float v) { return QString::number(static_cast<double>(v), 'g', 7); }

// Text <-> value for each kind.
struct Codec {
    QChar separator;

    QString write(int v) const { return QString::number(v); }
    QString write(float v) const { return number(v); }
    QString write(bool v) const { return v ? QStringLiteral("True") : QStringLiteral("False"); }
    QString write(const QString& v) const { return v; }
    QString write(Magnitude m) const { return number(m.v); }
    QString write(RoundedNumber r) const { return QString::number(r.v); }
    QString write(PositiveFlag f) const { return f.v ? QStringLiteral("1") : QStringLiteral("0"); }
    QString write(LocaleNumber n) const {
        QString t = number(n.v);
        if (separator != QLatin1Char('.')) t.replace(QLatin1Char('.'), separator);
        return t;
    }

    void read(const QString& t, int& v) const { v = static_cast<int>(std::lround(Val(t))); }
    void read(const QString& t, float& v) const { v = static_cast<float>(Val(t)); }
    void read(const QString& t, QString& v) const { v = t; }
    void read(const QString& t, bool& v) const {
        const QString s = t.trimmed();
        if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            v = true;
        else if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            v = false;
        else
            v = Val(s) != 0;
    }
    void read(const QString& t, Magnitude m) const { m.v = -std::fabs(static_cast<float>(Val(t))); }
    void read(const QString& t, RoundedNumber r) const { r.v = static_cast<int>(std::lround(ParseSingle(t, separator))); }
    void read(const QString& t, PositiveFlag f) const { f.v = Val(t) > 0; }
    void read(const QString& t, LocaleNumber n) const { n.v = ParseSingle(t, separator); }
};

} // namespace

void LoadSettings(const SettingsStore& store, Settings& settings, QChar decimalSeparator) {
    const Codec codec{decimalSeparator};
    visitKeys(settings, [&](const QString& section, const auto& key, Kept, auto&& field) {
        const QString name{key};
        const QString fallback = codec.write(field);
        codec.read(store.GetSetting(section, name, fallback), field);
    });
}

void SaveSettings(SettingsStore& store, const Settings& settings, QChar decimalSeparator) {
    const Codec codec{decimalSeparator};
    // visitKeys hands out references; the record itself is not changed here.
    Settings copy = settings;
    visitKeys(copy, [&](const QString& section, const auto& key, Kept kept, auto&& field) {
        if (kept == Kept::Saved) store.SaveSetting(section, QString{key}, codec.write(field));
    });
}

} // namespace ostrel
