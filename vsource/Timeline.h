#pragma once
// The output timeline: one JSON object per line for every change of the
// output and every step of a transient, flushed as it is written.
#include "vsource/OutputModel.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace ostrel::vsource {

class TimelineRecord {
public:
    TimelineRecord(double t, std::string_view event);
    TimelineRecord& add(std::string_view key, double value);
    TimelineRecord& add(std::string_view key, int value);
    TimelineRecord& add(std::string_view key, bool value);
    TimelineRecord& add(std::string_view key, std::string_view value);
    TimelineRecord& add(std::string_view key, const char* value) {
        return add(key, std::string_view(value));
    }
    // Inserts a pre-built JSON value (an object) as is.
    TimelineRecord& addRaw(std::string_view key, std::string_view json);
    const std::string& finish() {
        text_ += "}\n";
        return text_;
    }

private:
    void key(std::string_view key);
    std::string text_;
};

class Timeline {
public:
    Timeline() = default;
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    void write(TimelineRecord& record);

    // Output of one phase (1-based) at time t, with any ramp still under way.
    void writeOutput(double t, int phase, const OutputModel& out);

private:
    std::FILE* file_ = nullptr;
};

} // namespace ostrel::vsource
