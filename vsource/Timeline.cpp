#include "vsource/Timeline.h"

#include "vsource/ScpiValues.h"

#include <cerrno>
#include <cmath>
#include <cstring>

namespace ostrel::vsource {

namespace {

void appendJsonNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += value > 0 ? "1e300" : "-1e300";
        return;
    }
    appendReal(out, value);
}

void appendTime(std::string& out, double t) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.9f", t);
    out += buffer;
}

} // namespace

TimelineRecord::TimelineRecord(double t, std::string_view event) {
    text_ = "{\"t\":";
    appendTime(text_, t);
    add("event", event);
}

void TimelineRecord::key(std::string_view key) {
    text_ += ",\"";
    text_ += key;
    text_ += "\":";
}

TimelineRecord& TimelineRecord::add(std::string_view k, double value) {
    key(k);
    appendJsonNumber(text_, value);
    return *this;
}

TimelineRecord& TimelineRecord::add(std::string_view k, int value) {
    key(k);
    appendInt(text_, value);
    return *this;
}

TimelineRecord& TimelineRecord::add(std::string_view k, bool value) {
    key(k);
    text_ += value ? "true" : "false";
    return *this;
}

TimelineRecord& TimelineRecord::add(std::string_view k, std::string_view value) {
    key(k);
    text_ += '"';
    for (char c : value) {
        if (c == '"' || c == '\\') text_ += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) text_ += c;
    }
    text_ += '"';
    return *this;
}

TimelineRecord& TimelineRecord::addRaw(std::string_view k, std::string_view json) {
    key(k);
    text_ += json;
    return *this;
}

Timeline::~Timeline() {
    if (file_) std::fclose(file_);
}

bool Timeline::open(const std::string& path, std::string& error) {
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) error = "cannot write the timeline " + path + ": " + std::strerror(errno);
    return file_ != nullptr;
}

void Timeline::write(TimelineRecord& record) {
    if (!file_) return;
    const std::string& text = record.finish();
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

void Timeline::writeOutput(double t, int phase, const OutputModel& out) {
    if (!file_) return;
    OutputSample s = sampleOutput(out, phase - 1, t);
    TimelineRecord r(t, "output");
    r.add("phase", phase)
        .add("relay", s.relay)
        .add("mode", modeName(s.mode))
        .add("vac", s.vac)
        .add("vdc", s.vdc)
        .add("freq", s.freq)
        .add("wave", s.wave)
        .add("angle", s.angle);
    std::string ramps;
    auto addRamp = [&](std::string_view name, const Ramp& ramp) {
        if (ramp.end() <= t) return;
        ramps += ramps.empty() ? "{" : ",";
        ramps += '"';
        ramps += name;
        ramps += "\":{\"to\":";
        appendJsonNumber(ramps, ramp.to);
        ramps += ",\"rate\":";
        appendJsonNumber(ramps, ramp.rate);
        ramps += ",\"end\":";
        appendTime(ramps, ramp.end());
        ramps += '}';
    };
    const PhaseOutput& p = out.phase[size_t(phase - 1)];
    if (s.mode != OutputMode::Dc) {
        addRamp("vac", p.vac);
        addRamp("freq", out.freq);
    } else {
        addRamp("vdc", p.vdc);
    }
    if (!ramps.empty()) r.addRaw("ramps", ramps + "}");
    write(r);
}

} // namespace ostrel::vsource
