#include "app/MessageBoxPrompt.h"
#include "app/Program.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OSTREL_VERSION));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settingsFile(QStringLiteral("settings"),
                                          QStringLiteral("Use an INI file instead of the per-user store."),
                                          QStringLiteral("FILE"));
    parser.addOption(settingsFile);
    parser.addPositionalArgument(QStringLiteral("setup"), QStringLiteral("Setup file and /O option words."));
    parser.process(app);

    auto store = parser.isSet(settingsFile)
                     ? std::make_unique<ostrel::SettingsStore>(parser.value(settingsFile))
                     : std::make_unique<ostrel::SettingsStore>();
    ostrel::Program program(std::make_unique<ostrel::SilentPrompt>(), std::move(store),
                            ostrel::DefaultPaths());
    program.decimalSeparator = QLocale().decimalPoint().front();
    program.loadSettings();

    ostrel::frmMain window(program);
    program.setPrompt(std::make_unique<ostrel::MessageBoxPrompt>(program.messageTitle, &window));
    window.show();
    const int status = app.exec();
    program.saveSettings();
    return status;
}
