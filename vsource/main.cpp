// ostrel-vsource: a virtual power source of the family on TCP, a
// pseudo-terminal and the GPIB shim, for the program and its tests.
#include "vsource/Options.h"
#include "vsource/VirtualSource.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    // Qt's own event dispatcher wakes for a socket with fewer system calls than the GLib one,
    // which matters on the reply path.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    ostrel::vsource::LaunchOptions options;
    QString error;
    if (!ostrel::vsource::parseOptions(app.arguments().mid(1), options, error)) {
        std::fprintf(stderr, "ostrel-vsource: %s\n\n%s", qPrintable(error),
                     qPrintable(ostrel::vsource::usageText()));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(ostrel::vsource::usageText()), stdout);
        return 0;
    }
    ostrel::vsource::VirtualSource source(std::move(options));
    if (!source.start(error)) {
        std::fprintf(stderr, "ostrel-vsource: %s\n", qPrintable(error));
        return 1;
    }
    return app.exec();
}
