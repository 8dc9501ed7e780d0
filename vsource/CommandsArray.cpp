// Measurement arrays (harmonic lines and the acquired waveforms) and the
// watt-hour meter. Arrays are sent as text or, with "meas:arr:mode bin", as a
// definite-length block of big-endian 4-byte floats.
#include "vsource/Commands.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace ostrel::vsource {

using namespace cmd;

namespace {

enum HarmonicArg { Current = 1, Phases = 2, Fresh = 4 };

void appendArray(const Instrument& in, std::string& out, std::span<const double> values) {
    if (!in.state.binaryArrays) {
        for (size_t i = 0; i < values.size(); ++i) {
            if (i) out += ',';
            appendReading(out, values[i]);
        }
        return;
    }
    const std::string bytes = std::to_string(values.size() * 4);
    out += '#';
    out += char('0' + bytes.size());
    out += bytes;
    for (double v : values) {
        const uint32_t bits = std::bit_cast<uint32_t>(float(v));
        for (int shift = 24; shift >= 0; shift -= 8)
            out += char((bits >> shift) & 0xff);
    }
}

int harmonics(Instrument& in, const Call& c, std::string& out) {
    if (!c.params.empty()) return err::ParameterNotAllowed;
    const bool fresh = c.arg & Fresh;
    const int p = in.selectedPhase();
    if (fresh || !in.hasReading[size_t(p)]) in.takeReadings(fresh);
    const PhaseSpectra& s = in.lastSpectra[size_t(p)];
    const Spectrum& line = c.arg & Current ? s.current : s.voltage;
    if (c.arg & Phases)
        appendArray(in, out, line.phase);
    else
        appendArray(in, out, line.amplitude);
    return 0;
}

// "fetc:curr:harm:phas? h": the phase of one current harmonic of the selected output, degrees.
int harmonicPhase(Instrument& in, const Call& c, std::string& out) {
    if (c.params.size() > 1) return err::ParameterNotAllowed;
    double h = 1;
    if (!c.params.empty() && !c.params[0].empty())
        if (int e = readNumber(c.params[0], {0, double(kHarmonicLines - 1), 1}, h)) return e;
    if (h != std::floor(h)) return err::IllegalParameterValue;
    const int p = in.selectedPhase();
    if (!in.hasReading[size_t(p)]) in.takeReadings(false);
    appendReading(out, in.lastSpectra[size_t(p)].current.phase[size_t(h)]);
    return 0;
}

// "fetc:arr:volt? [first block, blocks]": the whole record of 16 blocks of 256 samples by default.
int waveform(Instrument& in, const Call& c, std::string& out) {
    double first = 0, blocks = kCaptureBlocks;
    if (!c.params.empty() && !(c.params.size() == 1 && c.params[0].empty())) {
        if (c.params.size() < 2) return err::MissingParameter;
        if (c.params.size() > 2) return err::ParameterNotAllowed;
        if (int e = readNumber(c.params[0], {0, kCaptureBlocks - 1, 0}, first)) return e;
        if (int e = readNumber(c.params[1], {1, kCaptureBlocks, kCaptureBlocks}, blocks)) return e;
        if (first != std::floor(first) || blocks != std::floor(blocks))
            return err::IllegalParameterValue;
        if (first + blocks > kCaptureBlocks) return err::DataOutOfRange;
    }
    if (!in.capture.taken) return err::DataStale;
    appendArray(
        in, out,
        captureSamples(in.capture, in.selectedPhase(), c.arg & Current, int(first), int(blocks)));
    return 0;
}

int arrayMode(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.binaryArrays, {{"ASCii", 0}, {"BINary", 1}}, {"ASC", "BIN"}, out);
}

int meterState(Instrument& in, const Call& c, std::string& out) {
    if (c.query) {
        appendBool(out, in.wattHour.running);
        return 0;
    }
    bool on = false;
    if (int e = boolParam(c, on)) return e;
    if (on)
        startMeter(in.wattHour, in.now);
    else
        stopMeter(in.wattHour, in.now);
    return 0;
}

int meterTime(Instrument& in, const Call&, std::string& out) {
    out += elapsedText(in.wattHour.elapsed(in.now));
    return 0;
}

// Watt-hours of the selected phase, or of all phases together under "inst:coup all".
int meterEnergy(Instrument& in, const Call&, std::string& out) {
    double joules = 0;
    forEachTarget(in, [&](PhaseSettings&, int p) { joules += in.wattHour.joules[size_t(p)]; });
    appendReading(out, joules / 3600);
    return 0;
}

} // namespace

void addArrayCommands(std::vector<CommandDef>& s) {
    s.insert(
        s.end(),
        {
            {"FETCh:ARRay:VOLTage:HARMonic[:AMPLitude]", QueryOnly, harmonics, 0},
            {"FETCh:ARRay:VOLTage:HARMonic:PHASe", QueryOnly, harmonics, Phases},
            {"FETCh:ARRay:CURRent:HARMonic[:AMPLitude]", QueryOnly, harmonics, Current},
            {"FETCh:ARRay:CURRent:HARMonic:PHASe", QueryOnly, harmonics, Current | Phases},
            {"FETCh[:SCALar]:CURRent:HARMonic:PHASe", QueryOnly, harmonicPhase, 0},
            {"MEASure:ARRay:VOLTage:HARMonic[:AMPLitude]", QueryOnly, harmonics, Fresh},
            {"MEASure:ARRay:VOLTage:HARMonic:PHASe", QueryOnly, harmonics, Fresh | Phases},
            {"MEASure:ARRay:CURRent:HARMonic[:AMPLitude]", QueryOnly, harmonics, Fresh | Current},
            {"MEASure:ARRay:CURRent:HARMonic:PHASe", QueryOnly, harmonics,
             Fresh | Current | Phases},
            {"FETCh:ARRay:VOLTage", QueryOnly, waveform, 0},
            {"FETCh:ARRay:CURRent", QueryOnly, waveform, Current},
            {"MEASure:ARRay:MODE", SetAndQuery, arrayMode},
            {"WHM[:STATe]", SetAndQuery, meterState},
            {"WHM:ETIMe", QueryOnly, meterTime},
            {"WHM:WHOurs", QueryOnly, meterEnergy},
        });
}

} // namespace ostrel::vsource
