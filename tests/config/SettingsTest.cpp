#include "config/Settings.h"
#include "config/SettingsStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("settings.ini"); }
};

TEST_F(SettingsTest, FirstStartGivesEveryDefault) {
    SettingsStore store(path());
    Settings s;
    s.position = {10, 20, 300, 400}; // the window as it is
    LoadSettings(store, s, '.');
    EXPECT_EQ(s.link.bus, 0);
    EXPECT_EQ(s.powerSource.modelNumber, 1);
    EXPECT_EQ(s.link.commPort, 1);
    EXPECT_EQ(s.link.commBaud, 6);
    EXPECT_EQ(s.link.socketPort, 5025);
    EXPECT_EQ(s.link.handshake, 1);
    EXPECT_EQ(s.link.arbDownloadDelay, 300);
    EXPECT_EQ(s.link.pcSecond, 970);
    EXPECT_FLOAT_EQ(s.userLimits.vndcLow, -200);
    EXPECT_FLOAT_EQ(s.userLimits.vndcHigh, -400);
    EXPECT_EQ(s.userLimits.allowACMode, 1);
    EXPECT_EQ(s.graph.yMaximum[0], 300);
    EXPECT_EQ(s.graph.color[3], 4);
    EXPECT_EQ(s.wave.pYMaximum, 5000);
    EXPECT_FLOAT_EQ(s.waveAcquisition.period, 10.4f);
    EXPECT_TRUE(s.preferences.displayEntryErrors);
    EXPECT_EQ(s.preferences.do160TestRev, 4);
    EXPECT_EQ(s.report.header1, "Power Source Test System");
    EXPECT_EQ(s.measurements.measFile, "dummy.txt");
    EXPECT_EQ(s.position.width, 400);
}

TEST_F(SettingsTest, StoredTextsAreReadTolerantly) {
    {
        SettingsStore store(path());
        store.SaveSetting("UserLimits", "VNDCLow", "200");
        store.SaveSetting("Interface", "CommBaud", "not a number");
        store.SaveSetting("Protection", "Waveform", "2");
        store.SaveSetting("UserPreferences", "DisplayEntryErrors", "False");
        store.SaveSetting("WaveAcquisition", "Offset", "12,6");
        store.sync();
    }
    SettingsStore store(path());
    Settings s;
    LoadSettings(store, s, ',');
    EXPECT_FLOAT_EQ(s.userLimits.vndcLow, -200);
    EXPECT_EQ(s.link.commBaud, 0);
    EXPECT_TRUE(s.protection.waveform);
    EXPECT_FALSE(s.preferences.displayEntryErrors);
    EXPECT_EQ(s.waveAcquisition.offset, 13);
}

TEST_F(SettingsTest, PeriodFollowsTheDecimalSeparator) {
    SettingsStore store(path());
    Settings comma;
    LoadSettings(store, comma, ',');
    EXPECT_FLOAT_EQ(comma.waveAcquisition.period, 10.4f);
    SaveSettings(store, comma, ',');
    EXPECT_EQ(store.GetSetting("WaveAcquisition", "Period", {}), "10,4");
}

TEST_F(SettingsTest, SaveThenLoadRoundTripsEverySavedKey) {
    Settings changed;
    changed.link = {3, 4, 2, 0, 15, 1, 7, "10.1.2.3", 5026, 5, 6, 20, 400, 970};
    changed.protection.arbRestriction = 1;
    changed.powerSource = {9, 0, 1};
    changed.scopeModel = 3;
    changed.userLimits = {800, 45, 270, 135, 350, 175, -350, -175, 0, 1, 1};
    changed.graph = {{5, 6, 7, 8}, {1, 1}, {150, 50}, 1, 1};
    changed.wave = {1, 2, 3, 1, 1, 1, 300, 20, 4000, 1, 1, 8, 2};
    changed.waveAcquisition = {1, 3, 20.8f};
    changed.preferences.showLineVoltage = 1;
    changed.preferences.calSaveDirectory = "/tmp/cal";
    changed.preferences.displayEntryErrors = false;
    changed.preferences.autoRefreshMainScreen = false;
    changed.preferences.abdTestRev = 2;
    changed.preferences.abd350TestRev = 3;
    changed.preferences.ms704TestRev = 4;
    changed.preferences.do160TestRev = 5;
    changed.preferences.b787TestRev = 6;
    changed.preferences.amd24TestRev = 7;
    changed.waveformLibrary = "/tmp/lib";
    changed.report = {"Lab", "Bench 2", 1, 0, "/tmp/reports"};
    changed.measurements = {10, "meas.txt", 20, "harm.txt", 4, 8};
    changed.position = {1, 2, 3, 4};
    {
        SettingsStore store(path());
        SaveSettings(store, changed, '.');
        ASSERT_TRUE(store.sync());
    }
    SettingsStore store(path());
    Settings loaded;
    LoadSettings(store, loaded, '.');

    // Everything kept between runs comes back; the keys that are only read keep their defaults.
    Settings expected = changed;
    expected.link.pcSecond = Settings{}.link.pcSecond;
    EXPECT_EQ(loaded.link.ipAddress, expected.link.ipAddress);
    EXPECT_EQ(loaded.link.socketPort, 5026);
    EXPECT_EQ(loaded.link.cmdDelay, 15);
    EXPECT_EQ(loaded.powerSource.modelNumber, 9);
    EXPECT_EQ(loaded.scopeModel, 3);
    EXPECT_FLOAT_EQ(loaded.userLimits.vndcHigh, -350);
    EXPECT_FLOAT_EQ(loaded.userLimits.freqMin, 45);
    EXPECT_EQ(loaded.userLimits.allowACDCMode, 1);
    EXPECT_EQ(loaded.graph.color, expected.graph.color);
    EXPECT_EQ(loaded.graph.yMaximum, expected.graph.yMaximum);
    EXPECT_EQ(loaded.wave.bufferOffset, 2);
    EXPECT_EQ(loaded.wave.pYMaximum, 4000);
    EXPECT_FLOAT_EQ(loaded.waveAcquisition.period, 20.8f);
    EXPECT_EQ(loaded.waveAcquisition.offset, 3);
    EXPECT_EQ(loaded.preferences.calSaveDirectory, "/tmp/cal");
    EXPECT_FALSE(loaded.preferences.displayEntryErrors);
    EXPECT_FALSE(loaded.preferences.autoRefreshMainScreen);
    EXPECT_EQ(loaded.preferences.amd24TestRev, 7);
    EXPECT_EQ(loaded.waveformLibrary, "/tmp/lib");
    EXPECT_EQ(loaded.report.reportFolder, "/tmp/reports");
    EXPECT_EQ(loaded.report.fileNamePrompt, 0);
    EXPECT_EQ(loaded.measurements.harmFile, "harm.txt");
    EXPECT_EQ(loaded.measurements.currentAverage, 8);
    EXPECT_EQ(loaded.position.width, 4);
    EXPECT_EQ(store.GetSetting("Interface", "PCSecond", "absent"), "absent");
    EXPECT_EQ(store.GetSetting("UserPreferences", "ClassDPowerLow", "absent"), "absent");
    EXPECT_EQ(store.GetSetting("Protection", "Configuration", "absent"), "absent");
}
