#include "vsource/Options.h"

#include "vsource/Faults.h"

#include <cmath>

namespace ostrel::vsource {

namespace {

bool toInt(const QString& text, int min, int max, int& out) {
    bool ok = false;
    int v = text.toInt(&ok);
    if (!ok || v < min || v > max) return false;
    out = v;
    return true;
}

bool toDouble(const QString& text, double min, double max, double& out) {
    bool ok = false;
    double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < min || v > max) return false;
    out = v;
    return true;
}

} // namespace

bool parseOptions(const QStringList& args, LaunchOptions& o, QString& error) {
    for (int i = 0; i < args.size(); ++i) {
        QString name = args[i];
        QString value;
        bool inlineValue = false;
        if (int eq = name.indexOf(QLatin1Char('='));
            name.startsWith(QLatin1String("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            inlineValue = true;
        }
        auto next = [&]() -> bool {
            if (inlineValue) return true;
            if (i + 1 >= args.size()) {
                error = name + QStringLiteral(" needs a value");
                return false;
            }
            value = args[++i];
            return true;
        };
        auto bad = [&] {
            error = QStringLiteral("bad value for %1: '%2'").arg(name, value);
            return false;
        };
        InstrumentConfig& in = o.instrument;
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            o.help = true;
        } else if (name == QLatin1String("--port")) {
            if (!next() || !toInt(value, 0, 65535, o.port)) return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--listen")) {
            if (!next()) return false;
            o.listen = value;
        } else if (name == QLatin1String("--pty")) {
            o.pty = true;
        } else if (name == QLatin1String("--gpib")) {
            o.gpib = true;
            if (inlineValue)
                o.gpibPath = value;
            else if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")))
                o.gpibPath = args[++i];
        } else if (name == QLatin1String("--control-port")) {
            if (!next() || !toInt(value, 0, 65535, o.controlPort))
                return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--model")) {
            if (!next() || !toInt(value, 0, int(kModelTable.size()) - 1, in.model))
                return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--serial")) {
            if (!next()) return false;
            in.serial = value.toStdString();
        } else if (name == QLatin1String("--firmware")) {
            if (!next()) return false;
            in.firmware = value.toStdString();
        } else if (name == QLatin1String("--options")) {
            if (!next()) return false;
            in.options = value.remove(QLatin1Char(' ')).toStdString();
        } else if (name == QLatin1String("--timeline")) {
            if (!next()) return false;
            o.timelinePath = value;
        } else if (name == QLatin1String("--log")) {
            if (!next()) return false;
            o.logPath = value;
        } else if (name == QLatin1String("--time-scale")) {
            if (!next() || !toDouble(value, 1e-3, 1e6, o.timeScale))
                return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--fault")) {
            if (!next()) return false;
            // Read here on scratch switches, so that a bad text is a usage error like any value.
            Faults scratch;
            FaultCommand command;
            std::string message;
            if (!applyFault(scratch, value.toStdString(), command, message)) {
                error = QString::fromStdString(message);
                return false;
            }
            o.faults << value;
        } else if (name == QLatin1String("--return-to-immediate")) {
            in.returnToImmediate = true;
        } else if (name == QLatin1String("--resident-seconds")) {
            if (!next() || !toDouble(value, 0.003, 259200, in.residentSeconds))
                return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--reset-time")) {
            if (!next() || !toDouble(value, 0, 3600, in.resetSeconds))
                return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--seed")) {
            int seed = 0;
            if (!next() || !toInt(value, 0, 2147483647, seed))
                return error.isEmpty() ? bad() : false;
            in.seed = unsigned(seed);
        } else if (name == QLatin1String("--noise")) {
            if (!next() || !toDouble(value, 0, 0.1, in.noise))
                return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--load")) {
            if (!next()) return false;
            std::string message;
            if (!parseLoad(value.toStdString(), in.load, message)) {
                error = QString::fromStdString(message);
                return false;
            }
        } else if (name == QLatin1String("--list-capacity")) {
            if (!next() || !toInt(value, 1, 100000, in.listCapacity))
                return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--min-dwell")) {
            if (!next() || !toDouble(value, 1e-6, 10, in.minimumDwell))
                return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--wave-slots")) {
            if (!next() || !toInt(value, 0, 1000, in.waveSlots))
                return error.isEmpty() ? bad() : false;
        } else if (name == QLatin1String("--exit-with-stdin")) {
            o.exitWithStdin = true;
        } else {
            error = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
    }
    return true;
}

QString usageText() {
    return QStringLiteral(
        "Usage: ostrel-vsource [options]\n"
        "A virtual programmable AC/DC power source of the family, for the program and its tests.\n"
        "\n"
        "Transports:\n"
        "  --port N               TCP port (default 5025; 0 picks a free port)\n"
        "  --listen ADDR          TCP listen address (default 127.0.0.1)\n"
        "  --pty                  also serve a pseudo-terminal (a serial port)\n"
        "  --gpib [PATH]          also serve the GPIB shim on a local socket (default: a new "
        "temporary path)\n"
        "  --control-port N       fault and control port (default 0, a free port)\n"
        "Instrument:\n"
        "  --model N              model index 0..12 (default 0)\n"
        "  --serial S             serial number in *IDN? (default KV00001)\n"
        "  --firmware TEXT        firmware field of *IDN? (default \"REV 2.34\")\n"
        "  --options LIST         the *OPT? reply, e.g. \"1,0,1\" (default: the model's options)\n"
        "  --return-to-immediate  after a list (or abort) the output returns to the immediate "
        "values\n"
        "  --resident-seconds S   virtual seconds of one resident option test, three equal\n"
        "                         steps (default 3)\n"
        "  --reset-time SECONDS   silence after \"syst:conf:nout\" (default 3)\n"
        "  --list-capacity N      points per list (default: the model's, 100 or 32)\n"
        "  --min-dwell SECONDS    shortest list point (default: the model's, 0.001 or 0.01)\n"
        "  --wave-slots N         user waveform registers (default 57)\n"
        "  --load SPEC            load per phase: r=OHMS,thd=PERCENT,lag=DEGREES,inrush=FACTOR\n"
        "                         (default r=50,thd=0,lag=0,inrush=1)\n"
        "  --noise FRACTION       relative noise of fresh readings (default 0)\n"
        "  --seed N               seed of noise and garbage (default 1)\n"
        "Time and records:\n"
        "  --time-scale K         run virtual time K times faster (default 1)\n"
        "  --timeline FILE        write the output timeline as JSON lines\n"
        "  --log FILE             write every line received and every reply sent\n"
        "Faults and process:\n"
        "  --fault SPEC           switch a fault on at start (repeatable; see README)\n"
        "  --exit-with-stdin      end when standard input closes (the parent has gone)\n"
        "  --help                 this text\n"
        "\n"
        "At start one line per transport is printed: TCP 127.0.0.1:<port>, PTY <path>,\n"
        "GPIB <socket>, CONTROL 127.0.0.1:<port>, then READY.\n");
}

} // namespace ostrel::vsource
