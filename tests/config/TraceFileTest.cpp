#include "config/FileNames.h"
#include "config/TraceFile.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(TraceFile, ThreeSelectionsWithTheirHeadings) {
    const QStringList entries{"*idn?", "<-- KORVATH INSTRUMENTS,VK 751,1,REV 2.34", "volt 115", "<-- "};
    TraceHeader h{"Ostrel", "0.1.0", "VK751-160", "SN1", "2.34", "KVP501-1",
                  QDateTime(QDate(2026, 12, 10), QTime(14, 5, 9))};
    const QString head = "Ostrel 0.1.0\nModel = VK751-160, S/N = SN1\nFW rev = 2.34, FW p/n = KVP501-1\n"
                         "2026-12-10\n14:05:09\n";
    EXPECT_EQ(TraceFileText(entries, TraceSelection::All, h),
              head + "Command Trace\n" + entries.join('\n') + "\n");
    EXPECT_EQ(TraceFileText(entries, TraceSelection::Commands, h),
              head + "Command Trace - command output only\n*idn?\nvolt 115\n");
    EXPECT_EQ(TraceFileText(entries, TraceSelection::Responses, h),
              head + "Command Trace - response data only\n<-- KORVATH INSTRUMENTS,VK 751,1,REV 2.34\n<-- \n");
}

TEST(FileNames, DefaultExtensionOnlyForTheFileNamePart) {
    EXPECT_EQ(WithDefaultExtension("/home/a/trace", "txt"), "/home/a/trace.txt");
    EXPECT_EQ(WithDefaultExtension("/home/a.b/trace", "stp"), "/home/a.b/trace.stp");
    EXPECT_EQ(WithDefaultExtension("/home/a/trace.log", "txt"), "/home/a/trace.log");
    EXPECT_EQ(WithDefaultExtension("", "txt"), "");
}
