// Every test binary runs offscreen with one QApplication, also when CTest's
// discovery starts it without the test's environment.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("OstrelTests");
    QCoreApplication::setApplicationName("OstrelTests");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
