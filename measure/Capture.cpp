#include "measure/Capture.h"

#include "link/Numbers.h"
#include "link/Waits.h"
#include "measure/StandardMeasurement.h"

#include <algorithm>

namespace ostrel {

namespace {

struct Fetch {
    int phase;
    const char* channel;
};

QVector<Fetch> fetchesOf(CaptureKind kind, int phase) {
    switch (kind) {
    case CaptureKind::Voltage:
        return {{phase, "volt"}};
    case CaptureKind::Current:
        return {{phase, "curr"}};
    case CaptureKind::Power:
    case CaptureKind::VoltCurrent:
        return {{phase, "volt"}, {phase, "curr"}};
    case CaptureKind::ThreeVoltage:
        return {{0, "volt"}, {1, "volt"}, {2, "volt"}};
    case CaptureKind::ThreeCurrent:
        return {{0, "curr"}, {1, "curr"}, {2, "curr"}};
    }
    return {};
}

} // namespace

QStringList CaptureParameterNames(int phase) {
    const QString letter = PhaseLetter(phase);
    return {
        QStringLiteral("Voltage phase ") + letter, QStringLiteral("Current phase ") + letter,
        QStringLiteral("Power phase ") + letter,   QStringLiteral("Volt & Curr phase ") + letter,
        QStringLiteral("Three phase Voltage"),     QStringLiteral("Three phase Current")};
}

CaptureKind CaptureKindOf(const QString& parameter) {
    if (parameter.startsWith(QLatin1String("Three phase Current")))
        return CaptureKind::ThreeCurrent;
    if (parameter.startsWith(QLatin1String("Three phase"))) return CaptureKind::ThreeVoltage;
    if (parameter.startsWith(QLatin1String("Volt & Curr"))) return CaptureKind::VoltCurrent;
    if (parameter.startsWith(QLatin1String("Current"))) return CaptureKind::Current;
    if (parameter.startsWith(QLatin1String("Power"))) return CaptureKind::Power;
    return CaptureKind::Voltage;
}

int ChannelCount(CaptureKind kind) {
    switch (kind) {
    case CaptureKind::VoltCurrent:
        return 2;
    case CaptureKind::ThreeVoltage:
    case CaptureKind::ThreeCurrent:
        return 3;
    default:
        return 1;
    }
}

bool IsThreePhase(CaptureKind kind) {
    return kind == CaptureKind::ThreeVoltage || kind == CaptureKind::ThreeCurrent;
}

QString CaptureTitle(CaptureKind kind, int phase) {
    const QString p = QStringLiteral("Phase ") + PhaseLetter(phase) + QLatin1Char(' ');
    switch (kind) {
    case CaptureKind::Voltage:
        return p + QStringLiteral("Voltage");
    case CaptureKind::Current:
        return p + QStringLiteral("Current");
    case CaptureKind::Power:
        return p + QStringLiteral("Power");
    case CaptureKind::VoltCurrent:
        return p + QStringLiteral("Voltage and Current");
    case CaptureKind::ThreeVoltage:
        return QStringLiteral("Phases A, B, C Voltage");
    case CaptureKind::ThreeCurrent:
        return QStringLiteral("Phases A, B, C Current");
    }
    return {};
}

QString FetchQuery(const QString& channel, int bufferBlocks, int offsetBlocks) {
    QString q = QStringLiteral("fetch:arr:") + channel + QLatin1Char('?');
    if (bufferBlocks != kMaxBlocks || offsetBlocks != 0)
        q += QStringLiteral(" %1,%2").arg(offsetBlocks).arg(bufferBlocks);
    return q;
}

QString SelectPhaseCommand(int phase) {
    return QStringLiteral("inst:coup none;:inst:nsel %1").arg(phase + 1);
}

QStringList TriggerCommands(bool dcMode, double angle) {
    QStringList commands;
    if (!dcMode)
        commands << QStringLiteral("trig:sync:sour phase")
                 << QStringLiteral("trig:sync:phas ") + FormatNumber(angle, u"##0.0");
    commands << QStringLiteral("trig:acq:sour sync");
    return commands;
}

QVector<ReadoutItem> MeterReadoutItems(bool dcMode, int phase, bool singlePhase) {
    const QString prefix =
        (singlePhase ? QStringLiteral("inst:coup none;:inst:nsel 1") : SelectPhaseCommand(phase)) +
        QStringLiteral(";:fetc:");
    struct Item {
        const char* name;
        const char* query;
        const char* mask;
        const char* suffix;
    };
    static const Item dc[] = {{"Voltage (Vdc)", "volt:dc?", "##0.00", ""},
                              {"Current (Adc)", "curr:dc?", "##0.000", ""},
                              {"Power (W)", "pow:dc?", "##0.00", ""}};
    static const Item ac[] = {{"Voltage (Vrms)", "volt:ac?", "##0.00", ""},
                              {"Current (Arms)", "curr:ac?", "##0.000", ""},
                              {"Voltage THD", "volt:harm:thd?", "##0.00", " %"},
                              {"Current crest factor", "curr:cres?", "##0.000", ""},
                              {"Current THD", "curr:harm:thd?", "##0.00", " %"},
                              {"Power factor", "pow:ac:pfac?", "0.000", ""},
                              {"Power (W)", "pow:ac?", "##0.00", ""},
                              {"DC offset (V)", "volt:dc?", "##0.00", ""}};
    QVector<ReadoutItem> items;
    const auto add = [&](const Item& i) {
        items.append({QString::fromLatin1(i.name), prefix + QLatin1String(i.query),
                      QString::fromLatin1(i.mask), QString::fromLatin1(i.suffix)});
    };
    if (dcMode)
        for (const Item& i : dc)
            add(i);
    else
        for (const Item& i : ac)
            add(i);
    return items;
}

double AcquisitionWaitSeconds(int samples, float intervalUs, double offsetMs) {
    // Beyond the window itself: the trigger offset, then up to one output
    // period for the trigger phase to come round, with room to spare.
    return samples * double(intervalUs) / 1e6 + std::max(0.0, offsetMs) / 1000.0 + 0.1;
}

AcquisitionResult RunAcquisition(const AcquisitionRequest& request, SourceIo& io,
                                 const AcquisitionEvents& events, const QString& date) {
    const auto status = [&](const QString& text) {
        if (events.status) events.status(text);
    };
    const auto aborted = [&] { return events.aborted && events.aborted(); };
    AcquisitionResult result;
    result.intervalUs = request.intervalUs;

    if (request.intervalChanged) {
        io.send(QStringLiteral("sens:swe:tint ") +
                FormatNumber(request.intervalSeconds, u"0.0000000"));
        Delay(0.05);
        float seconds = 0;
        if (TryParseSingle(io.query(QStringLiteral("sens:swe:tint?"), 1.0), seconds) && seconds > 0)
            result.intervalUs = seconds * 1e6f;
        else
            result.intervalUs = static_cast<float>(request.intervalSeconds * 1e6);
    }
    const int samples = std::clamp(request.bufferBlocks, 1, kMaxBlocks) * kBlockSamples;
    if (request.armed) {
        // Its trigger and offset were set by the run; arming again would
        // throw away what the run's trigger point took.
        io.send(SelectPhaseCommand(request.phase));
    } else {
        if (request.triggered)
            io.send(QStringLiteral("sens:swe:offs ") +
                    FormatNumber(request.offsetMs / 1000.0, u"0.000"));
        for (const QString& c : TriggerCommands(request.dcMode, request.triggerAngle))
            io.send(c);
        io.send(SelectPhaseCommand(request.phase));
        if (request.dcMode) io.query(QStringLiteral("meas:volt:dc?"), 1.0);
        io.send(QStringLiteral("init:seq3"));
        const double wait = AcquisitionWaitSeconds(samples, result.intervalUs, request.offsetMs);
        WaitUntil(aborted, static_cast<int>(wait * 1000), 50);
    }
    if (aborted()) return result;

    Capture& capture = result.capture;
    capture.parameter = request.parameter;
    capture.title = CaptureTitle(request.kind, request.phase);
    capture.date = date;
    capture.samples = samples;
    capture.offsetText = FormatNumber(request.offsetMs, u"###0");
    capture.intervalUs = result.intervalUs;
    capture.limits = request.limits;

    const QVector<Fetch> fetches = fetchesOf(request.kind, request.phase);
    QVector<float> fetched;
    int selected = request.phase;
    for (const Fetch& f : fetches) {
        if (aborted()) return result;
        const QString letter = PhaseLetter(f.phase);
        if (f.phase != selected) {
            io.send(SelectPhaseCommand(f.phase));
            selected = f.phase;
        }
        status(QStringLiteral("Retrieving Phase ") + letter + QStringLiteral(" Timing Data..."));
        const QString query =
            FetchQuery(QLatin1String(f.channel), request.bufferBlocks, request.offsetBlocks);
        QString error;
        const QByteArray reply = io.queryArray(query, 8.0, samples, error);
        ArrayReply parsed = error.isEmpty()
                                ? ParseArrayReply(reply, BlockNumberForm::Single, samples, query)
                                : ArrayReply{{}, error};
        if (parsed.ok() && parsed.values.size() != samples)
            parsed.error =
                QStringLiteral("The reply to \"%1\" holds %2 of %3 values: it is incomplete.")
                    .arg(query)
                    .arg(parsed.values.size())
                    .arg(samples);
        if (!parsed.ok()) {
            if (events.error) events.error(parsed.error);
            status(QStringLiteral("Ready..."));
            return result;
        }
        status(QStringLiteral("Processing phase ") + letter + QStringLiteral(" Datapoints..."));
        fetched += parsed.values;
    }
    const QString sourceError = io.checkError().trimmed();
    if (!sourceError.isEmpty() && events.error) events.error(sourceError);

    if (request.kind == CaptureKind::Power) {
        capture.values.resize(samples);
        for (int i = 0; i < samples; ++i)
            capture.values[i] = fetched[i] * fetched[samples + i];
    } else {
        capture.values = fetched;
    }

    for (const ReadoutItem& item :
         MeterReadoutItems(request.dcMode, request.phase, request.singlePhase)) {
        float v = 0;
        const bool got = TryParseSingle(io.query(item.query, 1.0), v);
        capture.readouts.append(
            {item.name, got ? FormatNumber(v, item.mask) + item.suffix : QString()});
    }
    status(QStringLiteral("Ready..."));
    result.ok = true;
    return result;
}

} // namespace ostrel
