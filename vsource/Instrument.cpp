#include "vsource/Instrument.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrel::vsource {

namespace {

std::vector<CommandDef> allDefs() {
    std::vector<CommandDef> defs;
    addCommonCommands(defs);
    addSourceCommands(defs);
    addListCommands(defs);
    addMeasureCommands(defs);
    addTraceCommands(defs);
    addArrayCommands(defs);
    addResidentCommands(defs);
    return defs;
}

// Every unit answers the same commands, so the table is built once; once a
// thread, because a lookup works in the table's own scratch space.
const CommandTable& commandTable() {
    static thread_local const std::vector<CommandDef> defs = allDefs();
    static thread_local const CommandTable table(defs);
    return table;
}

std::string_view ttlName(TtlSource s) {
    switch (s) {
    case TtlSource::Bot:
        return "BOT";
    case TtlSource::Eot:
        return "EOT";
    case TtlSource::List:
        return "LIST";
    }
    return "";
}

} // namespace

Instrument::Instrument(InstrumentConfig cfg, const VirtualClock& clk, Timeline* tl)
    : config(std::move(cfg)), limits(modelLimits(config.model)), clock(clk), timeline(tl),
      waves(config.waveSlots), random(config.seed), table_(commandTable()) {
    if (config.listCapacity > 0) limits.listCapacity = config.listCapacity;
    if (config.minimumDwell > 0) limits.minimumDwell = config.minimumDwell;
    loads.fill(config.load);
    state.outputs = limits.row->phases;
    resetSettings(state, limits);
    output.outputs = state.outputs;
    for (size_t p = 0; p < 3; ++p) {
        output.phase[p].angle = state.steady.phase[p].angle;
        output.phase[p].wave = state.steady.phase[p].function;
    }
    if (timeline) {
        TimelineRecord r(0, "start");
        r.add("model", config.model).add("outputs", state.outputs);
        timeline->write(r);
        for (int p = 0; p < state.outputs; ++p)
            timeline->writeOutput(0, p + 1, output);
    }
}

void Instrument::pushError(int code, std::string_view text) {
    errors.push(code, text);
    if (code <= -100 && code > -200)
        state.status.esr |= 32; // command error
    else if (code <= -200 && code > -300)
        state.status.esr |= 16; // execution error
    else if (code <= -400 && code > -500)
        state.status.esr |= 4; // query error
    else
        state.status.esr |= 8; // device-dependent error
}

bool Instrument::executeLine(std::string_view line, std::string& reply) {
    now = clock.now();
    advance(now);
    stopLine_ = false;
    MessageCursor cursor(line);
    MessageUnit unit;
    int error = 0;
    const size_t replyStart = reply.size();
    bool answered = false;
    while (!stopLine_ && cursor.next(unit, error)) {
        Call call;
        const CommandDef* def = table_.find(unit, call.suffix);
        if (!def) {
            pushError(err::UndefinedHeader);
            return answered;
        }
        splitParameters(unit.parameters, params_);
        call.query = unit.query;
        call.arg = def->arg;
        call.nodeCount = unit.nodeCount;
        call.parameterText = unit.parameters;
        call.params = params_;
        const size_t before = reply.size();
        const bool separated = unit.query && before > replyStart;
        if (separated) reply += ';';
        int code = def->handler(*this, call, reply);
        if (separated && reply.size() == before + 1) reply.resize(before);
        answered = answered || (unit.query && code == 0);
        if (outputChanged) {
            outputChanged = false;
            reconcileOutput(now);
        }
        advance(now);
        if (code != 0) {
            pushError(code);
            if (isCommandError(code)) return answered;
        }
    }
    if (error) pushError(error);
    return answered;
}

int Instrument::selectedPhase() const {
    return std::clamp(state.selection.nsel, 1, state.outputs) - 1;
}

// ---- output

Reading Instrument::readingAt(int phase, double t) const {
    OutputSample s = sampleOutput(output, phase, t);
    ShapeFigures shape = waves.figures(s.wave, s.clipThd);
    return computeReading(s, shape, loads[size_t(phase)], state.steady.phase[size_t(phase)].current,
                          state.thdRms);
}

PhaseSpectra Instrument::spectraOf(int phase, const Reading& reading) const {
    const PhaseOutput& p = output.phase[size_t(phase)];
    return outputSpectra(waves.spectrum(p.wave, p.clipThd), reading, loads[size_t(phase)],
                         !state.steady.senseCouplingAc);
}

void Instrument::meterEnergy(double t) {
    integrateEnergy(wattHour, state.outputs, t,
                    [this](int p, double at) { return readingAt(p, at).power; });
}

void Instrument::record(double t, int phase) {
    if (timeline) timeline->writeOutput(t, phase + 1, output);
    double& hold = peakHold[size_t(phase)];
    hold = std::max(hold, readingAt(phase, t).currPeak);
}

// The peak follows the instantaneous voltage at the step: the load's inrush
// factor times the new steady peak times |sin θ|, never below the steady peak.
void Instrument::switchOnInrush(double t, int phase, double before, const Ramp& level) {
    if (!output.relay || output.mode == OutputMode::Dc || std::isfinite(level.rate) || level.to <= 0 ||
        before >= 0.1 * level.to)
        return;
    const size_t p = size_t(phase);
    double theta = std::fmod(phaseAngleA(output, t) - output.phase[0].angle + output.phase[p].angle, 360.0);
    if (theta < 0) theta += 360.0;
    const double steadyPeak = readingAt(phase, t).currPeak;
    const double peak =
        std::max(steadyPeak, loads[p].inrush * steadyPeak * std::fabs(std::sin(theta * std::numbers::pi / 180.0)));
    peakHold[p] = std::max(peakHold[p], peak);
    if (timeline) {
        TimelineRecord r(t, "inrush");
        r.add("phase", phase + 1).add("angle", theta).add("peak", peak);
        timeline->write(r);
    }
}

void Instrument::recordEvent(double t, std::string_view event) {
    if (!timeline) return;
    TimelineRecord r(t, event);
    timeline->write(r);
}

void Instrument::reconcileOutput(double t) {
    const SteadySettings& steady = state.steady;
    const bool running = run.state == RunState::Running;
    bool global = false;
    unsigned changed = 0;
    if (output.outputs != state.outputs || output.mode != steady.mode) {
        output.outputs = state.outputs;
        output.mode = steady.mode;
        global = true;
    }
    const bool closing = !output.relay && steady.relay;
    if (output.relay != steady.relay) {
        output.relay = steady.relay;
        global = true;
    }
    if (!(running && run.modes.freq) && output.freq.to != steady.freq) {
        setFrequency(output, t, steady.freq, steady.freqSlew);
        global = true;
    }
    for (size_t p = 0; p < 3; ++p) {
        const PhaseSettings& ps = steady.phase[p];
        PhaseOutput& po = output.phase[p];
        bool ch = false;
        if (!(running && run.modes.volt[p])) {
            if (po.vac.to != ps.voltAc) {
                const double before = po.vac.at(t);
                po.vac = rampFrom(po.vac, t, ps.voltAc,
                                  steady.mode != OutputMode::Dc ? ps.voltSlew : kInfinity);
                switchOnInrush(t, int(p), before, po.vac);
                ch = true;
            }
            if (po.vdc.to != ps.voltDc) {
                po.vdc = rampFrom(po.vdc, t, ps.voltDc,
                                  steady.mode == OutputMode::Dc ? ps.voltSlew : kInfinity);
                ch = true;
            }
        }
        if (po.offset != ps.offset || po.angle != ps.angle || po.clipThd != ps.clipThd) {
            po.offset = ps.offset;
            po.angle = ps.angle;
            po.clipThd = ps.clipThd;
            ch = true;
        }
        if (!(running && run.modes.func[p]) && po.wave != ps.function) {
            po.wave = ps.function;
            ch = true;
        }
        if (ch) changed |= 1u << p;
    }
    for (int p = 0; p < state.outputs; ++p) {
        if (global || (changed & (1u << p))) record(t, p);
    }
    if (closing) {
        for (int p = 0; p < state.outputs; ++p) {
            double& hold = peakHold[size_t(p)];
            hold = std::max(hold, readingAt(p, t).currPeak * loads[size_t(p)].inrush);
        }
    }
}

double Instrument::earliestRampEnd() const {
    double t = output.freq.endPending ? output.freq.end() : kInfinity;
    for (const PhaseOutput& p : output.phase) {
        if (p.vac.endPending) t = std::min(t, p.vac.end());
        if (p.vdc.endPending) t = std::min(t, p.vdc.end());
    }
    return t;
}

void Instrument::finishRamps(double t) {
    bool all = false;
    if (output.freq.endPending && output.freq.end() <= t) {
        output.freq.endPending = false;
        all = output.mode != OutputMode::Dc;
    }
    for (size_t p = 0; p < 3; ++p) {
        bool ended = false;
        for (Ramp* r : {&output.phase[p].vac, &output.phase[p].vdc}) {
            if (r->endPending && r->end() <= t) {
                r->endPending = false;
                ended = true;
            }
        }
        if ((ended || all) && int(p) < state.outputs) record(t, int(p));
    }
}

// ---- time

double Instrument::nextEventTime() const {
    double t = earliestRampEnd();
    if (run.state == RunState::Syncing || run.state == RunState::Running)
        t = std::min(t, run.nextTime);
    if (acquisition.armed) t = std::min(t, acquisition.due);
    return std::min(t, resident.test.nextTime);
}

void Instrument::advance(double t) {
    for (;;) {
        double ramps = earliestRampEnd();
        double transient = (run.state == RunState::Syncing || run.state == RunState::Running)
                               ? run.nextTime
                               : kInfinity;
        double acquire = acquisition.armed ? acquisition.due : kInfinity;
        double next = std::min({ramps, transient, acquire, resident.test.nextTime});
        if (!(next <= t)) {
            meterEnergy(t);
            return;
        }
        meterEnergy(next);
        if (next == ramps)
            finishRamps(next);
        else if (next == acquire)
            fireAcquisition(next);
        else if (next == resident.test.nextTime)
            residentStep(*this, next);
        else
            runEvent(next);
    }
}

// ---- transients

int Instrument::initiateTransient() {
    if (run.state != RunState::Idle) return err::InitIgnored;
    RunModes modes = runModes(state.steady);
    int points = 0;
    if (int e = validateLists(state, modes, state.outputs, points)) return e;
    run = TransientRun{};
    run.state = RunState::Armed;
    run.lists = state.lists;
    run.modes = modes;
    run.points = points;
    if (timeline) {
        TimelineRecord r(now, "initiate");
        r.add("points", points).add("step", state.lists.stepOnce ? "ONCE" : "AUTO");
        if (std::isinf(state.lists.count))
            r.add("count", "INF");
        else
            r.add("count", int(std::lround(state.lists.count)));
        if (state.trigger.sync == SyncSource::Phase && state.steady.mode != OutputMode::Dc)
            r.add("sync", state.trigger.syncPhase);
        else
            r.add("sync", "IMM");
        timeline->write(r);
    }
    if (state.trigger.source == TriggerSource::Immediate) applyTrigger(now);
    return 0;
}

int Instrument::trigger(TriggerSource from) {
    now = clock.now();
    advance(now);
    if (run.state == RunState::Armed && state.trigger.source == from) {
        applyTrigger(now);
        return 0;
    }
    if (run.state == RunState::Running && run.awaitingStep && from != TriggerSource::Immediate) {
        startPoint(now, run.at);
        return 0;
    }
    return err::TriggerIgnored;
}

void Instrument::applyTrigger(double t) {
    if (timeline) {
        TimelineRecord r(t, "trigger");
        r.add("angle", phaseAngleA(output, t));
        timeline->write(r);
    }
    if (state.trigger.sync == SyncSource::Phase && state.steady.mode != OutputMode::Dc) {
        run.state = RunState::Syncing;
        run.nextTime = t + delayToAngle(output, t, state.trigger.syncPhase);
    } else {
        startPoint(t, Position{});
    }
}

void Instrument::startPoint(double t, Position at) {
    run.state = RunState::Running;
    run.at = at;
    run.awaitingStep = false;
    const SteadySettings& steady = state.steady;
    PointValues v = pointValues(run, steady, at.point);
    if (at.point == 0 && at.repeat == 0) ttlPulse(t, TtlSource::Bot);
    if (timeline) {
        TimelineRecord r(t, "point");
        r.add("index", at.point)
            .add("pass", at.pass)
            .add("repeat", at.repeat)
            .add("dwell", v.dwell)
            .add("angle", phaseAngleA(output, t));
        timeline->write(r);
    }
    if (run.modes.freq && steady.mode != OutputMode::Dc)
        setFrequency(output, t, v.freq, run.modes.freqSlew ? v.freqSlew : steady.freqSlew);
    for (size_t p = 0; p < size_t(state.outputs); ++p) {
        PhaseOutput& po = output.phase[p];
        if (run.modes.volt[p]) {
            Ramp& level = steady.mode == OutputMode::Dc ? po.vdc : po.vac;
            double rate = run.modes.voltSlew[p] ? v.voltSlew[p] : steady.phase[p].voltSlew;
            const double before = level.at(t);
            level = rampFrom(level, t, v.volt[p], rate);
            if (steady.mode != OutputMode::Dc) switchOnInrush(t, int(p), before, level);
        }
        if (run.modes.func[p]) po.wave = v.shape[p];
        record(t, int(p));
    }
    if (v.ttl) ttlPulse(t, TtlSource::List);
    run.nextTime = t + v.dwell;
}

void Instrument::runEvent(double t) {
    if (run.state == RunState::Syncing) {
        startPoint(t, Position{});
        return;
    }
    Position next = run.at;
    if (!nextPosition(run, next)) {
        completeRun(t);
        return;
    }
    if (run.lists.stepOnce) {
        run.at = next;
        run.awaitingStep = true;
        run.nextTime = kInfinity;
        return;
    }
    startPoint(t, next);
}

void Instrument::completeRun(double t) {
    ttlPulse(t, TtlSource::Eot);
    recordEvent(t, "complete");
    SteadySettings& steady = state.steady;
    if (!config.returnToImmediate) {
        if (run.modes.freq) steady.freq = output.freq.to;
        for (size_t p = 0; p < 3; ++p) {
            PhaseSettings& ps = steady.phase[p];
            if (run.modes.volt[p])
                (steady.mode == OutputMode::Dc ? ps.voltDc : ps.voltAc) =
                    (steady.mode == OutputMode::Dc ? output.phase[p].vdc : output.phase[p].vac).to;
            if (run.modes.func[p]) ps.function = output.phase[p].wave;
        }
    }
    run.state = RunState::Idle;
    run.nextTime = kInfinity;
    reconcileOutput(t);
    if (state.trigger.continuous) {
        double saved = now;
        now = t;
        if (int e = initiateTransient()) pushError(e);
        now = saved;
    }
}

void Instrument::abortTransient() {
    acquisition = Acquisition{};
    if (run.state == RunState::Idle) return;
    const bool wasRunning = run.state == RunState::Running;
    run.state = RunState::Idle;
    run.nextTime = kInfinity;
    recordEvent(now, "abort");
    if (!wasRunning) return;
    SteadySettings& steady = state.steady;
    if (!config.returnToImmediate) {
        if (run.modes.freq) {
            double f = output.freq.at(now);
            setFrequency(output, now, f, kInfinity);
            steady.freq = f;
        }
        for (size_t p = 0; p < 3; ++p) {
            PhaseSettings& ps = steady.phase[p];
            if (run.modes.volt[p]) {
                Ramp& level =
                    steady.mode == OutputMode::Dc ? output.phase[p].vdc : output.phase[p].vac;
                level = steadyAt(level.at(now), now);
                (steady.mode == OutputMode::Dc ? ps.voltDc : ps.voltAc) = level.to;
            }
            if (run.modes.func[p]) ps.function = output.phase[p].wave;
        }
        for (int p = 0; p < state.outputs; ++p)
            record(now, p);
    }
    reconcileOutput(now);
}

void Instrument::ttlPulse(double t, TtlSource source) {
    const TriggerSettings& trig = state.trigger;
    if (!trig.ttlEnabled || trig.ttlStrobe || trig.ttlSource != source) return;
    if (timeline) {
        TimelineRecord r(t, "ttl");
        r.add("source", ttlName(source));
        timeline->write(r);
    }
    if (acquisition.armed && state.trigger.acquire == AcqSource::Ttl) fireAcquisition(t);
}

// ---- measurements

void Instrument::armAcquisition() {
    acquisition.armed = true;
    switch (state.trigger.acquire) {
    case AcqSource::Immediate:
        acquisition.due = now;
        break;
    case AcqSource::Sync:
        acquisition.due = now + delayToAngle(output, now, state.trigger.syncPhase);
        break;
    case AcqSource::Ttl:
        acquisition.due = kInfinity;
        break;
    }
}

void Instrument::fireAcquisition(double t) {
    acquisition = Acquisition{};
    double saved = now;
    now = t;
    takeReadings(true);
    now = saved;
    capture.taken = true;
    capture.interval = state.trigger.sweepInterval;
    capture.offset = state.trigger.sweepOffset;
    capture.freq = output.mode == OutputMode::Dc ? 0 : output.freq.at(t);
    const double accumulator = phaseAngleA(output, t) - output.phase[0].angle;
    for (int p = 0; p < state.outputs; ++p) {
        capture.phase[size_t(p)].spectra = lastSpectra[size_t(p)];
        capture.phase[size_t(p)].angle = accumulator + output.phase[size_t(p)].angle;
    }
    recordEvent(t, "acquire");
}

void Instrument::takeReadings(bool fresh) {
    std::normal_distribution<double> gauss(0.0, 1.0);
    for (int p = 0; p < state.outputs; ++p) {
        Reading r = readingAt(p, now);
        if (fresh && config.noise > 0) {
            double fv = 1 + config.noise * gauss(random);
            double fi = 1 + config.noise * gauss(random);
            r.voltAc *= fv;
            r.voltDc *= fv;
            r.currAc *= fi;
            r.currDc *= fi;
            r.currPeak *= fi;
            r.power *= fv * fi;
            r.powerDc *= fv * fi;
            r.apparent *= fv * fi;
        }
        lastReading[size_t(p)] = r;
        lastSpectra[size_t(p)] = spectraOf(p, r);
        hasReading[size_t(p)] = true;
        peakHold[size_t(p)] = std::max(peakHold[size_t(p)], r.currPeak);
    }
}

void Instrument::resetPeak(int phase) {
    peakHold[size_t(phase)] = readingAt(phase, now).currPeak;
}

void Instrument::setLoad(int phase, const LoadModel& load) {
    // The energy so far was drawn by the old load.
    advance(clock.now());
    if (phase == 0)
        loads.fill(load);
    else
        loads[size_t(phase - 1)] = load;
}

// ---- unit state

void Instrument::resetUnit() {
    abortTransient();
    resetSettings(state, limits);
    reconcileOutput(now);
}

void Instrument::startPhaseModeChange(int outputs) {
    abortTransient();
    state.outputs = outputs;
    resetSettings(state, limits);
    errors.clear();
    reconcileOutput(now);
    if (timeline) {
        TimelineRecord r(now, "reset");
        r.add("outputs", outputs);
        timeline->write(r);
    }
    resetUntilReal_ = clock.realSeconds() + config.resetSeconds;
    stopLine_ = true;
}

std::string Instrument::describe() const {
    static constexpr std::string_view kRun[] = {"IDLE", "ARMED", "SYNCING", "RUNNING"};
    static constexpr std::string_view kRemote[] = {"LOCAL", "REMOTE", "RWLOCK"};
    std::string s = "transient=";
    s += kRun[int(run.state)];
    s += " relay=";
    s += output.relay ? '1' : '0';
    s += " outputs=";
    appendInt(s, state.outputs);
    s += " remote=";
    s += kRemote[int(state.remote)];
    s += " errors=";
    appendInt(s, (long long)errors.size());
    s += " resident=" + residentDescribe(resident);
    return s;
}

std::string Instrument::modes() const {
    const auto word = [](bool list) { return list ? std::string("LIST") : std::string("FIX"); };
    const auto perPhase = [&](auto pick) {
        std::string out;
        for (int p = 0; p < state.outputs; ++p) {
            if (p) out += ',';
            out += word(pick(state.steady.phase[size_t(p)]));
        }
        return out;
    };
    std::string s = "freq=" + word(state.steady.freqMode == FreqMode::List);
    s += " freqslew=" + word(state.steady.freqSlewList);
    s += " volt=" + perPhase([](const PhaseSettings& p) { return p.voltList; });
    s += " voltslew=" + perPhase([](const PhaseSettings& p) { return p.voltSlewList; });
    s += " func=" + perPhase([](const PhaseSettings& p) { return p.funcList; });
    s += " coupling=";
    s += state.selection.coupleAll ? "ALL" : "NONE";
    s += " nsel=";
    appendInt(s, state.selection.nsel);
    return s;
}

} // namespace ostrel::vsource
